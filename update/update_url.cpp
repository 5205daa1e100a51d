// Where the Update command fetches the model file; set when building.
#include "update/model_update.h"

const char kUpdateUrl[] = WENDRIX_UPDATE_URL;
