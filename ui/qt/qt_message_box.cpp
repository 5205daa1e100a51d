#include "ui/qt/qt_message_box.h"

#include <QMessageBox>
#include <QWidget>

#include "ui/qt/ansi_text.h"

namespace ui::qt {

int showMessageBox(platform::WindowHandle owner, const char* text, const char* caption,
                   unsigned style)
{
    QWidget* parent = static_cast<QWidget*>(owner);
    QMessageBox box(parent != nullptr ? parent->window() : nullptr);
    box.setWindowTitle(fromAnsi(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(fromAnsi(text));
    // Only the owner is blocked, as with an owned Win32 message box.
    if (parent != nullptr)
        box.setWindowModality(Qt::WindowModal);

    switch (style & 0xF0) {
    case platform::MbIconError:
        box.setIcon(QMessageBox::Critical);
        break;
    case platform::MbIconWarning:
        box.setIcon(QMessageBox::Warning);
        break;
    case platform::MbIconInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }

    switch (style & 0x0F) {
    case platform::MbOkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton((style & platform::MbDefButton2) ? QMessageBox::Cancel : QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case platform::MbYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((style & platform::MbDefButton2) ? QMessageBox::No : QMessageBox::Yes);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    }

    switch (box.exec()) {
    case QMessageBox::Ok:
        return platform::IdOk;
    case QMessageBox::Yes:
        return platform::IdYes;
    case QMessageBox::No:
        return platform::IdNo;
    default:
        // A Yes/No box closed by the window manager counts as No.
        return (style & 0x0F) == platform::MbYesNo ? platform::IdNo : platform::IdCancel;
    }
}

} // namespace ui::qt
