#include "ui/qt/qt_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <thread>

#include "platform/platform.h"
#include "ui/about_dialog.h"
#include "engine/warning_lines.h"
#include "ui/main_dialog.h"
#include "ui/preview_layout.h"
#include "ui/qt/ansi_text.h"
#include "ui/qt/check_lines_window.h"
#include "ui/qt/preview_label.h"
#include "ui/qt/qt_resources.h"

namespace ui::qt {
namespace {

// 8-point "MS Sans Serif" at 96 dpi. Where it is missing, faces of about
// its width stand in, so that texts fit the fields sized for it.
QFont dialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

// A line of text that may be a link. With the focus, Enter and Space open
// it, as they press a Win32 SysLink: a QLabel takes them only once Tab has
// also picked the link inside it, and gives Enter to the default button.
class LinkLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const int key = event->key();
        if (focusPolicy() != Qt::NoFocus && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
            event->accept();
            emit linkActivated(QString());
            return;
        }
        QLabel::keyPressEvent(event);
    }
};

// A combo box's drop-down with edit field is one line high on screen; the
// template's height includes the dropped list.
constexpr int kComboHeight = 21;

// The window menu's Close, carried like the commands of the dialog logic.
constexpr int kCloseCommand = -1;

// `text` as it fits on one line of `label`: whole, or cut and ended by "...".
QString elided(const QLabel* label, const QString& text)
{
    const QFontMetrics metrics(label->font());
    const int room = label->contentsRect().width();
    if (metrics.horizontalAdvance(text) <= room)
        return text;
    const QString dots = QStringLiteral("...");
    QString cut = text;
    while (!cut.isEmpty() && metrics.horizontalAdvance(cut + dots) > room)
        cut.chop(1);
    return cut + dots;
}

} // namespace

QtDialog::QtDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent)
{
    setFont(dialogFont());
    setFixedSize(duToPixelsX(dialogTemplate.width), duToPixelsY(dialogTemplate.height));
    build(dialogTemplate);

    // Below the commands added by the dialog logic: the separator and Close.
    windowMenu_.addSeparator();
    QAction* close = windowMenu_.addAction(QStringLiteral("Close"));
    close->setData(kCloseCommand);
    connect(close, &QAction::triggered, this, [this] {
        if (!menuRunning_)
            runWindowCommand(kCloseCommand);
    });

    // Where the window manager owns the title bar's menu, a right-click,
    // Alt+Space and the Menu key open this one.
    setContextMenuPolicy(Qt::DefaultContextMenu);
    auto openAtCorner = [this] { openWindowMenu(mapToGlobal(QPoint(0, 0))); };
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this), &QShortcut::activated,
            this, openAtCorner);
    connect(new QShortcut(QKeySequence(Qt::Key_Menu), this), &QShortcut::activated, this,
            openAtCorner);
}

QtDialog::~QtDialog() = default;

void QtDialog::build(const DialogTemplate& dialogTemplate)
{
    for (int i = 0; i < dialogTemplate.count; ++i) {
        const ControlEntry& entry = dialogTemplate.controls[i];
        const QRect area(duToPixelsX(entry.x), duToPixelsY(entry.y), duToPixelsX(entry.w),
                         duToPixelsY(entry.h));
        const QString text = QString::fromLatin1(entry.text);
        const int id = entry.id;
        QWidget* widget = nullptr;

        switch (entry.kind) {
        case ControlKind::Label:
        case ControlKind::Note:
        case ControlKind::Preview: {
            auto* label = entry.kind == ControlKind::Preview ? new PreviewLabel(this)
                                                             : new QLabel(this);
            label->setWordWrap(entry.kind == ControlKind::Note);
            // Plain text: a user's line is shown as typed, never as markup.
            label->setTextFormat(Qt::PlainText);
            label->setText(text);
            label->setAlignment(entry.kind == ControlKind::Preview
                                    ? Qt::AlignCenter
                                    : Qt::AlignLeft | Qt::AlignTop);
            widget = label;
            break;
        }
        case ControlKind::Rule: {
            auto* rule = new QFrame(this);
            rule->setAutoFillBackground(true);
            QPalette palette = rule->palette();
            palette.setColor(QPalette::Window, Qt::black);
            rule->setPalette(palette);
            widget = rule;
            break;
        }
        case ControlKind::Picture: {
            auto* picture = new QLabel(this);
            if (text == QLatin1String("AAICON"))
                picture->setPixmap(applicationIcon().pixmap(32, 32));
            widget = picture;
            break;
        }
        case ControlKind::DefaultButton:
        case ControlKind::Button: {
            auto* button = new QPushButton(text, this);
            button->setDefault(entry.kind == ControlKind::DefaultButton);
            connect(button, &QPushButton::clicked, this, [this, id] { command(id, NotifyNone); });
            widget = button;
            break;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(this);
            // Every change, typed or set, goes through the change command,
            // where the dialog logic makes the field show what is written.
            connect(edit, &QLineEdit::textChanged, this,
                    [this, id] { command(id, NotifyEditChange); });
            // Text past the edit's limit is refused, as a Win32 edit
            // refuses it with EN_MAXTEXT.
            connect(edit, &QLineEdit::inputRejected, this,
                    [this, id] { command(id, NotifyEditMaxText); });
            addWindowMenuToContextMenu(edit);
            widget = edit;
            break;
        }
        case ControlKind::Link: {
            auto* link = new LinkLabel(this);
            link->setTextFormat(Qt::RichText);
            link->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
            link->setWordWrap(true);
            link->setFocusPolicy(Qt::NoFocus);
            connect(link, &QLabel::linkActivated, this, [this, id] { command(id, NotifyLinkActivated); });
            widget = link;
            break;
        }
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(this);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            // Only a choice by the user is a selection change, as with a
            // Win32 combo box; selecting from the program is silent.
            connect(combo, &QComboBox::activated, this,
                    [this, id] { command(id, NotifyListSelChange); });
            addWindowMenuToContextMenu(combo->lineEdit());
            widget = combo;
            break;
        }
        }

        if (entry.kind == ControlKind::Picture) {
            widget->move(area.topLeft());
            widget->adjustSize();
        } else if (entry.kind == ControlKind::ComboBox) {
            widget->setGeometry(area.x(), area.y(), area.width(), kComboHeight);
        } else {
            widget->setGeometry(area);
        }
        if (id != 0)
            items_.insert(id, widget);
    }
}

QWidget* QtDialog::item(int id) const
{
    return items_.value(id, nullptr);
}

bool QtDialog::ownsHandle(platform::WindowHandle handle) const
{
    if (handle == static_cast<const QWidget*>(this))
        return true;
    for (QWidget* widget : items_)
        if (handle == widget)
            return true;
    return false;
}

void QtDialog::openWindowMenu(const QPoint& globalPos)
{
    const int commandId = runMenu(windowMenu_, globalPos);
    if (commandId != 0)
        runWindowCommand(commandId);
}

int QtDialog::runMenu(QMenu& menu, const QPoint& globalPos)
{
    // A command may open a box with an event loop of its own. Run inside the
    // menu's mouse or key handler, that loop would let the menu be destroyed
    // under the handler; like a Win32 menu tracked for its command, the menu
    // returns first and the command runs after.
    menuRunning_ = true;
    QPointer<QAction> chosen = menu.exec(globalPos);
    menuRunning_ = false;
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

void QtDialog::runWindowCommand(int commandId)
{
    if (commandId == kCloseCommand)
        reject();
    else
        sysCommand(commandId);
}

void QtDialog::contextMenuEvent(QContextMenuEvent* event)
{
    openWindowMenu(event->globalPos());
}

void QtDialog::addWindowMenuToContextMenu(QLineEdit* edit)
{
    // An edit's own menu hides the dialog's, and on Linux the title bar and
    // Alt+Space often belong to the window manager: the edit's menu carries
    // the dialog's own commands (those above the separator) at its end.
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QWidget::customContextMenuRequested, this, [this, edit](const QPoint& pos) {
        std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
        menu->addSeparator();
        for (QAction* action : windowMenu_.actions()) {
            if (action->isSeparator())
                break;
            menu->addAction(action);
        }
        const int commandId = runMenu(*menu, edit->mapToGlobal(pos));
        // The edit's menu is gone before the command opens any box.
        menu.reset();
        if (commandId != 0)
            runWindowCommand(commandId);
    });
}

void QtDialog::reject()
{
    command(IdCancel, NotifyNone);
}

platform::WindowHandle QtDialog::handle()
{
    return static_cast<QWidget*>(this);
}

platform::WindowHandle QtDialog::itemHandle(int id)
{
    QWidget* widget = item(id);
    return widget != nullptr ? widget : static_cast<QWidget*>(this);
}

void QtDialog::setItemText(int id, const char* text)
{
    const QString value = fromAnsi(text);
    QWidget* widget = item(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        // Win32 reports a change even when the new text equals the old one;
        // Qt stays silent then, so the change command is raised here.
        if (edit->text() == value)
            command(id, NotifyEditChange);
        else
            edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        setLabelText(label, id, value);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setEditText(value);
    }
}

void QtDialog::setLabelText(QLabel* label, int id, const QString& value)
{
    const bool oneLine = id == IdStatus || id == IdLineNote;
    label->setText(oneLine ? elided(label, value) : value);
    // The whole text stays at hand when the field shows it cut.
    if (oneLine)
        label->setToolTip(label->text() != value ? value : QString());
    // Painted at once, as a Win32 static is: the Update command shows its
    // progress text here while it blocks the event loop.
    if (label->isVisible())
        label->repaint();
}

void QtDialog::setItemUnicodeText(int id, const std::string& text)
{
    if (auto* label = qobject_cast<QLabel*>(item(id)))
        setLabelText(label, id, QString::fromStdString(text));
}

void QtDialog::getItemText(int id, char* out, int size)
{
    QString value;
    QWidget* widget = item(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        value = edit->text();
    else if (auto* label = qobject_cast<QLabel*>(widget))
        value = label->text();
    else if (auto* button = qobject_cast<QPushButton*>(widget))
        value = button->text();
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        value = combo->currentText();
    toAnsi(value, out, size);
}

std::string QtDialog::editText(int id)
{
    auto* edit = qobject_cast<QLineEdit*>(item(id));
    return edit != nullptr ? edit->text().toStdString() : std::string();
}

void QtDialog::replaceEditText(int id, const std::string& text)
{
    auto* edit = qobject_cast<QLineEdit*>(item(id));
    if (edit == nullptr)
        return;
    const QString value = QString::fromStdString(text);
    const qsizetype fromEnd = edit->text().size() - edit->cursorPosition();
    if (edit->text() == value)
        return;
    edit->setText(value);
    edit->setCursorPosition(static_cast<int>(std::max<qsizetype>(0, value.size() - fromEnd)));
}

void QtDialog::limitEditText(int id, int characters)
{
    if (auto* edit = qobject_cast<QLineEdit*>(item(id)))
        edit->setMaxLength(characters);
}

void QtDialog::enableItem(int id, bool enabled)
{
    if (QWidget* widget = item(id))
        widget->setEnabled(enabled);
}

void QtDialog::hideItem(int id)
{
    if (QWidget* widget = item(id))
        widget->hide();
}

void QtDialog::focusItem(int id)
{
    if (QWidget* widget = item(id))
        widget->setFocus(Qt::OtherFocusReason);
}

void QtDialog::setCaption(const char* text)
{
    setWindowTitle(fromAnsi(text));
}

void QtDialog::setItemLink(int id, const char* text, bool link)
{
    auto* label = qobject_cast<QLabel*>(item(id));
    if (label == nullptr)
        return;
    // Two lines' room: the words wrap, never cut.
    const QString shown = fromAnsiNamingFiles(text).toHtmlEscaped();
    label->setText(link ? QStringLiteral("<a href=\"check\">%1</a>").arg(shown) : shown);
    // Only a link takes the focus, so that Tab, then Enter or Space, opens it.
    label->setFocusPolicy(link ? Qt::StrongFocus : Qt::NoFocus);
    if (label->isVisible())
        label->repaint();
}

void QtDialog::showBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtDialog::listReset(int id)
{
    if (auto* combo = qobject_cast<QComboBox*>(item(id)))
        combo->clear();
}

void QtDialog::listAppend(int id, const char* text)
{
    if (auto* combo = qobject_cast<QComboBox*>(item(id)))
        combo->addItem(fromAnsi(text));
}

void QtDialog::listSelect(int id, int index)
{
    if (auto* combo = qobject_cast<QComboBox*>(item(id)))
        combo->setCurrentIndex(index);
}

int QtDialog::listSelection(int id)
{
    auto* combo = qobject_cast<QComboBox*>(item(id));
    if (combo == nullptr)
        return -1;
    const int index = combo->currentIndex();
    // Text typed into the edit field that names no item leaves no selection.
    if (index < 0 || (combo->isEditable() && combo->currentText() != combo->itemText(index)))
        return -1;
    return index;
}

void QtDialog::setItemPicture(int id, void* picture)
{
    auto* label = qobject_cast<QLabel*>(item(id));
    if (label == nullptr)
        return;
    if (picture != nullptr)
        label->setPixmap(*static_cast<QPixmap*>(picture));
    else
        label->clear();
    // The field takes the picture's own size.
    label->adjustSize();
}

void QtDialog::setIcons(void* icon)
{
    if (icon != nullptr)
        setWindowIcon(*static_cast<QIcon*>(icon));
}

void QtDialog::setItemFont(int id, void* font)
{
    QWidget* widget = item(id);
    if (widget != nullptr && font != nullptr)
        widget->setFont(*static_cast<QFont*>(font));
}

void QtDialog::trimWindowMenu()
{
    // No minimize or maximize; the size is fixed already.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void QtDialog::insertWindowMenuItem(const char* text, int commandId)
{
    auto* action = new QAction(fromAnsi(text), &windowMenu_);
    action->setData(commandId);
    // Chosen in a menu, the command runs when the menu has returned (runMenu);
    // triggered from anywhere else, at once.
    connect(action, &QAction::triggered, this, [this, commandId] {
        if (!menuRunning_)
            runWindowCommand(commandId);
    });
    const QList<QAction*> actions = windowMenu_.actions();
    windowMenu_.insertAction(actions.isEmpty() ? nullptr : actions.first(), action);
}

void QtDialog::armTimer(int timerId, unsigned milliseconds)
{
    std::unique_ptr<QTimer>& slot = timers_[timerId];
    if (!slot) {
        slot = std::make_unique<QTimer>();
        connect(slot.get(), &QTimer::timeout, this, [this, timerId] { timer(timerId); });
    }
    // Like a Win32 timer it repeats until cancelled.
    slot->start(static_cast<int>(milliseconds));
}

void QtDialog::cancelTimer(int timerId)
{
    auto found = timers_.find(timerId);
    if (found != timers_.end())
        found->second->stop();
}

void QtDialog::endDialog(int result)
{
    done(result);
}

void QtDialog::runAboutBox()
{
    AboutDialogQt box(this);
    runWithoutOwner(box);
}

void QtDialog::runCheckLinesWindow()
{
    CheckLinesDialogQt window(*this);
    window.exec();
}

bool QtDialog::chooseFile(const char* title, std::string& path)
{
    QFileDialog box(this, fromAnsi(title));
    box.setFileMode(QFileDialog::ExistingFile);
    box.setAcceptMode(QFileDialog::AcceptOpen);
    box.setNameFilters({QStringLiteral("Firmware images (*.rgn *.RGN)"), QStringLiteral("All files (*)")});
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return false;
    // The file system's own bytes for the name, whatever characters it holds.
    path = QFile::encodeName(box.selectedFiles().constFirst()).toStdString();
    return true;
}

bool QtDialog::screenSize(int* width, int* height)
{
    QScreen* display = screen();
    if (display == nullptr)
        return false;
    *width = display->geometry().width();
    *height = display->geometry().height();
    return true;
}

bool QtDialog::windowRect(WindowRect* rect)
{
    // A window not yet created has no frame; with its platform window it has
    // the frame the platform knows of so far.
    if (isWindow() && !testAttribute(Qt::WA_WState_Created))
        winId();
    const QRect frame = frameGeometry();
    if (!frame.isValid())
        return false;
    *rect = {frame.left(), frame.top(), frame.left() + frame.width(),
             frame.top() + frame.height()};
    return true;
}

bool QtDialog::moveWindow(int x, int y)
{
    move(x, y);
    return true;
}

// ---------------------------------------------------------------- main

MainDialogQt::MainDialogQt(std::int32_t parameter) : QtDialog(kMainTemplate)
{
    // The patch run asks for the Update command through the platform layer;
    // it runs here, before sendSysCommand returns.
    platform::setSysCommandHandler([this](platform::WindowHandle owner, int commandId) {
        if (ownsHandle(owner))
            sysCommand(commandId);
    });
    platform::setProcessWaitHandler([this](const std::function<int()>& wait) {
        return mainDialogWaitForUploader(*this, [&] { return waitPainted(wait); });
    });
    mainDialogCreate(*this, parameter);
    placePreviewsOnPicture();
}

void MainDialogQt::placePreviewsOnPicture()
{
    QWidget* picture = item(IdPicture);
    if (picture == nullptr)
        return;
    // Without a picture the fields lie where its frame would be.
    const int width = picture->width() > 1 ? picture->width() : kPictureWidth;
    for (int i = 0; i < WarningLines::kCount; ++i) {
        const FieldBox box = previewFieldBox(i, width);
        if (QWidget* field = item(IdFirstPreview + i))
            field->setGeometry(picture->x() + box.left, picture->y() + box.top, box.width, box.height);
    }
}

MainDialogQt::~MainDialogQt()
{
    platform::setProcessWaitHandler({});
    platform::setSysCommandHandler({});
}

int MainDialogQt::waitPainted(const std::function<int()>& wait)
{
    // The uploader may run for minutes. The wait blocks a thread of its own
    // while this one goes on painting, in a loop that takes no user input;
    // the disabled dialog shows that it is waiting.
    const bool wasEnabled = isEnabled();
    setEnabled(false);
    int status = -1;
    QEventLoop loop;
    std::thread waiter([&] {
        status = wait();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    waiter.join();
    setEnabled(wasEnabled);
    return status;
}

void MainDialogQt::command(int id, int notification)
{
    mainDialogCommand(*this, id, notification);
}

void MainDialogQt::sysCommand(int commandId)
{
    mainDialogSysCommand(*this, commandId);
}

void MainDialogQt::timer(int timerId)
{
    mainDialogTimer(*this, timerId);
}

// --------------------------------------------------------------- About

AboutDialogQt::AboutDialogQt(QtDialog* over) : QtDialog(kAboutTemplate)
{
    setWindowTitle(QStringLiteral("About Zarnek"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    aboutDialogCreate(*this, over);
    if (QWidget* ok = item(IdOk))
        ok->setFocus();
}

void AboutDialogQt::command(int id, int)
{
    aboutDialogCommand(*this, id);
}

int runWithoutOwner(QDialog& dialog)
{
    bool finished = false;
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    dialog.show();
    if (!finished)
        loop.exec();
    return dialog.result();
}

} // namespace ui::qt
