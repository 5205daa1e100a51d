#include "ui/qt/qt_message_box.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QWidget>

#include "ui/qt/ansi_text.h"

namespace ui::qt {
namespace {
// Room a title bar takes besides the caption: the window icon, the close
// button and the margins, with some to spare for larger themes.
constexpr int kTitleBarExtras = 120;
} // namespace

QFont captionFont(const QWidget& box)
{
    // Title bars draw their caption in bold the size of the box's text.
    QFont font = box.font();
    font.setBold(true);
    return font;
}

int showMessageBox(platform::WindowHandle owner, const char* text, const char* caption,
                   unsigned style)
{
    QWidget* parent = static_cast<QWidget*>(owner);
    QMessageBox box(parent != nullptr ? parent->window() : nullptr);
    box.setWindowTitle(fromAnsi(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(fromAnsiNamingFiles(text));
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

    // A box is no narrower than its caption needs in the title bar, beside
    // the window manager's icon and buttons: a short text must not cut it.
    // (The layout is rebuilt with each icon or button change, so this comes last.)
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int captionWidth = QFontMetrics(captionFont(box)).horizontalAdvance(box.windowTitle());
        grid->addItem(new QSpacerItem(captionWidth + kTitleBarExtras, 0, QSizePolicy::Minimum,
                                      QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
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
