// The executable's version data, kept in one place for the Linux build and
// the Windows resource script. The version shown to the user is kVersionText
// in config/app_text.h; this one identifies the file.
#pragma once

#define WENDRIX_FILE_VERSION 1, 3, 0, 6
#define WENDRIX_FILE_VERSION_TEXT "1, 3, 0, 6"
#define WENDRIX_FILE_VERSION_DOTTED "1.3.0.6"
#define WENDRIX_COMPANY_NAME "Zarnek"
#define WENDRIX_FILE_DESCRIPTION "wendrix"
#define WENDRIX_INTERNAL_NAME "wendrix"
#define WENDRIX_ORIGINAL_FILENAME "wendrix.exe"
#define WENDRIX_PRODUCT_NAME "Wendrix"
#define WENDRIX_LEGAL_NOTICE "Use it at your own risk."
