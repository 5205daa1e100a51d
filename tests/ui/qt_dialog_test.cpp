// The Qt front end with real widgets on the offscreen platform: the user's
// clicks and keys, the files a patch run writes, the window menu, the About
// box and message boxes. Screenshots of each state go to the build folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocumentFragment>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <functional>

#include "engine/line_check.h"
#include "platform/cp1252.h"
#include "tests/support/line_cases.h"
#include "tests/support/preview_ink.h"
#include "tests/ui/dialog_fixture.h"
#include "tests/ui/model_server.h"
#include "ui/qt/check_lines_window.h"
#include "ui/qt/qt_dialog.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/qt_message_box.h"
#include "ui/startup.h"

using namespace ui;
using namespace ui::qt;
using Strings = std::vector<std::string>;

namespace {

void screenshot(QWidget& widget, const char* name)
{
    QDir().mkpath(QStringLiteral(WENDRIX_SCREENSHOT_DIR));
    widget.grab().save(QStringLiteral(WENDRIX_SCREENSHOT_DIR "/%1.png").arg(name));
}

// Runs `check` on the next top-level dialog of type T that is shown, from
// inside whatever nested loop is running by then.
template <typename T>
void whenShown(std::function<void(T&)> check)
{
    auto* poll = new QTimer(qApp); // freed with the application should a check never run
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, check] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = dynamic_cast<T*>(widget);
            if (dialog != nullptr && dialog->isVisible()) {
                poll->stop();
                poll->deleteLater();
                check(*dialog);
                return;
            }
        }
    });
    poll->start();
}

// Runs `check` on the next popup menu that opens (menus run loops of their
// own until they close), then closes it unless `check` chose an item.
void whenPopup(std::function<void(QMenu&)> check)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, check] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr || !menu->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QPointer<QMenu> alive = menu;
        check(*menu);
        if (alive && alive->isVisible() && alive == QApplication::activePopupWidget())
            alive->close();
    });
    poll->start();
}

// Types `text` as a keyboard that has its letters would, one key a character.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

QString text(QtDialog& dialog, int id)
{
    QWidget* widget = dialog.item(id);
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    return {};
}

} // namespace

class QtDialogTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        warningBitmap = frontEnd.loadPicture();
        appIcon = frontEnd.loadIcon();
        previewFont = frontEnd.createPreviewFont();
    }
    void TearDown() override
    {
        dialog.reset();
        frontEnd.deleteFont(previewFont);
        frontEnd.deletePicture(warningBitmap);
        previewFont = warningBitmap = appIcon = nullptr;
        DialogFixture::TearDown();
    }

    // Shows the dialog and waits for the first timer tick; `page` then presses "Page".
    void open(bool page = false)
    {
        dialog = std::make_unique<MainDialogQt>(kStateDisclaimer);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        EXPECT_TRUE(dialog->windowTitle().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(dialog->windowTitle(), QStringLiteral("Zarnek Wendrix"), 2000);
        if (page)
            QTest::mouseClick(button(IdPage), Qt::LeftButton);
    }
    void chooseNext()
    {
        combo()->setFocus();
        QTest::keyClick(combo(), Qt::Key_Down);
    }
    // Three lines that Español and Svenska of the generated firmware cannot
    // take, on the first model.
    void typeLinesSomeLanguagesCannotTake()
    {
        QTest::keyClicks(edit(0), QStringLiteral("THIS UNIT BELONGS TO J. SMITH"));
        QTest::keyClicks(edit(1), QStringLiteral("RETURN TO 12 HARBOUR ROAD"));
        QTest::keyClicks(edit(2), QStringLiteral("LEITH, PLEASE"));
        chooseNext();
    }
    QPushButton* button(int id) { return qobject_cast<QPushButton*>(dialog->item(id)); }
    // The fit line's words, without the link around them.
    std::string fitLine()
    {
        auto* label = qobject_cast<QLabel*>(dialog->item(IdFitLine));
        return label != nullptr ? QTextDocumentFragment::fromHtml(label->text()).toPlainText().toStdString() : "";
    }
    QLineEdit* edit(int line) { return qobject_cast<QLineEdit*>(dialog->item(IdFirstEdit + line)); }
    QComboBox* combo() { return qobject_cast<QComboBox*>(dialog->item(IdModelList)); }

    QtFrontEnd frontEnd;
    std::unique_ptr<MainDialogQt> dialog;
};

TEST_F(QtDialogTest, DisclaimerPageAfterTheFirstTick)
{
    writeThreeModels();
    open();
    screenshot(*dialog, "1-disclaimer");
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Press page to continue ..."));
    EXPECT_EQ(text(*dialog, IdFirstPreview), QStringLiteral("WARNING"));
    EXPECT_EQ(text(*dialog, IdFirstPreview + 6), QStringLiteral("using this program."));
    const QFont font = dialog->item(IdFirstPreview)->font();
    EXPECT_EQ(QFontMetrics(font).height(), 20);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(button(IdOk)->isEnabled());
    EXPECT_FALSE(combo()->isEnabled());
    EXPECT_FALSE(edit(0)->isEnabled());
    EXPECT_TRUE(button(IdPage)->isVisible());
    ASSERT_EQ(combo()->count(), 4);
    EXPECT_EQ(combo()->itemText(3), QStringLiteral("Gamma"));
    EXPECT_TRUE(combo()->isEditable());
    // The picture at its own size, under the previews.
    auto* picture = qobject_cast<QLabel*>(dialog->item(IdPicture));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), QSize(180, 240));
    const QRect previews =
        dialog->item(IdFirstPreview)->geometry().united(dialog->item(IdFirstPreview + 6)->geometry());
    EXPECT_TRUE(picture->geometry().contains(previews));
    EXPECT_FALSE(dialog->windowIcon().isNull());
}

TEST_F(QtDialogTest, PageTypingAndChoosingAModel)
{
    // The longest label whose status still fits in the status text's 83 characters.
    const std::string longLabel = "2.40 beta, European maps, rebuilt 2026-12-08";
    ASSERT_EQ(modelStatus(longLabel).size(), 79u);
    writeFirmwareModel("Gps-2=Other\r\n", "[WARNING]\r\nText-1=STORED LINE\r\n[Other]\r\nRel=" + longLabel + "\r\n");
    open(true);
    EXPECT_FALSE(button(IdPage)->isVisible());
    EXPECT_EQ(edit(0)->text(), QStringLiteral("STORED LINE"));
    EXPECT_EQ(text(*dialog, IdFirstPreview), QStringLiteral("STORED LINE"));
    EXPECT_TRUE(text(*dialog, IdFirstPreview + 1).isEmpty()); // disclaimer gone
    EXPECT_TRUE(edit(6)->isEnabled());
    EXPECT_EQ(dialogState, kStateLines);
    screenshot(*dialog, "2-lines");

    const QString typed = QStringLiteral("THIS LINE HAS THIRTY-FIVE CHARS!!!!");
    ASSERT_EQ(typed.size(), 35);
    edit(2)->setFocus();
    QTest::keyClicks(edit(2), typed);
    // The field takes no more than is written: the 30th key is refused.
    EXPECT_EQ(edit(2)->text(), typed.left(29));
    EXPECT_EQ(text(*dialog, IdFirstPreview + 2), QStringLiteral("THIS LINE HAS THIRTY-FIVE CHA"));
    EXPECT_STREQ(warningLines.lineText(2), "THIS LINE HAS THIRTY-FIVE CHA");

    chooseNext();
    EXPECT_EQ(combo()->currentIndex(), 1);
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Click OK to modify firmware rel 2.40..."));
    screenshot(*dialog, "3-model");
    // A label too long for the status field is cut with "...", the whole
    // status at hand in its tool tip.
    QTest::keyClick(combo(), Qt::Key_Down);
    auto* status = qobject_cast<QLabel*>(dialog->item(IdStatus));
    const QString whole = QString::fromStdString(modelStatus(longLabel));
    EXPECT_EQ(status->toolTip().toStdString(), whole.toStdString());
    EXPECT_TRUE(status->text().endsWith(QStringLiteral("...")));
    EXPECT_TRUE(whole.startsWith(status->text().chopped(3)));
    EXPECT_GT(status->text().size(), 40);
    EXPECT_LE(QFontMetrics(status->font()).horizontalAdvance(status->text()), status->contentsRect().width());
    screenshot(*dialog, "3-model-long-label");
    QTest::keyClick(combo(), Qt::Key_Up);
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Click OK to modify firmware rel 2.40..."));
    EXPECT_TRUE(status->toolTip().isEmpty());
    QTest::keyClick(combo(), Qt::Key_Up);
    EXPECT_EQ(dialogState, kStateLines);
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Select a GPS model ..."));

    // Markup the user types is shown as it is.
    edit(0)->selectAll();
    QTest::keyClicks(edit(0), QStringLiteral("<b>bold</b> & co"));
    auto* preview = qobject_cast<QLabel*>(dialog->item(IdFirstPreview));
    EXPECT_EQ(preview->textFormat(), Qt::PlainText);
    EXPECT_EQ(preview->text(), QStringLiteral("<b>bold</b> & co"));
}

// A field takes what the line check takes, and of anything else shows what
// will be written, with a note: the verdict the command line and the stores
// give the same text.
TEST_F(QtDialogTest, FieldsShowWhatWillBeWrittenOfWhatIsPastedOrTyped)
{
    writeThreeModels();
    open(true);
    auto* note = qobject_cast<QLabel*>(dialog->item(IdLineNote));
    ASSERT_NE(note, nullptr);
    for (const testing_support::LineCase& c : testing_support::lineCases()) {
        SCOPED_TRACE(c.utf8);
        edit(2)->clear();
        EXPECT_TRUE(note->text().isEmpty());
        QApplication::clipboard()->setText(QString::fromStdString(c.utf8));
        edit(2)->setFocus();
        QTest::keyClick(edit(2), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit(2)->text().toStdString(), c.field);
        EXPECT_EQ(edit(2)->cursorPosition(), edit(2)->text().size());
        EXPECT_EQ(text(*dialog, IdFirstPreview + 2).toStdString(), c.field);
        EXPECT_EQ(warningLines.lineText(2), platform::cp1252::fromUtf8(c.field));
        EXPECT_EQ(note->text().isEmpty(), c.fault == LineFaultKind::None) << note->text().toStdString();
    }

    // "Łukasz" pasted into an empty field.
    edit(2)->clear();
    edit(0)->setFocus();
    QApplication::clipboard()->setText(QString::fromUtf8("\u0141ukasz"));
    QTest::keyClick(edit(0), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit(0)->text(), QStringLiteral("Lukasz"));
    EXPECT_EQ(note->text(), QString::fromUtf8("Line 1: L for \u0141 (not on the receiver)"));
    EXPECT_EQ(text(*dialog, IdFirstPreview), QStringLiteral("Lukasz"));
    screenshot(*dialog, "7-pasted-nearest");

    // Typed on a keyboard that has the letters, at the caret in the middle.
    edit(0)->setCursorPosition(1);
    typeText(edit(0), QString::fromUtf8("\u0142\u0119"));
    EXPECT_EQ(edit(0)->text(), QStringLiteral("Lleukasz"));
    EXPECT_EQ(edit(0)->cursorPosition(), 3);
    EXPECT_EQ(note->text(), QString::fromUtf8("Line 1: e for \u0119 (not on the receiver)"));
    // A 30th character is refused, and the note says why.
    edit(0)->setText(QString(29, QChar('x')));
    typeText(edit(0), QStringLiteral("y"));
    EXPECT_EQ(edit(0)->text(), QString(29, QChar('x')));
    EXPECT_EQ(note->text(), QStringLiteral("Line 1: at most 29 characters"));
    EXPECT_EQ(warningLines.lineText(0), std::string(29, 'x'));
}

TEST_F(QtDialogTest, LinesOfTwentyNineCharactersAreDrawnWholeInsideTheirFields)
{
    writeThreeModels();
    open(true); // no stored lines: every preview field is empty
    const QImage empty = dialog->grab().toImage();
    std::vector<testing_support::PixelBox> fields;
    for (int i = 0; i < 7; ++i) {
        const char* line = testing_support::kLongPreviewLines[i];
        ASSERT_EQ(std::strlen(line), 29u);
        edit(i)->setText(QString::fromLatin1(line));
        const QRect field = dialog->item(IdFirstPreview + i)->geometry();
        fields.push_back({field.left(), field.top(), field.right(), field.bottom()});
    }
    const QImage full = dialog->grab().toImage();
    screenshot(*dialog, "6-long-lines");
    const QRect picture = dialog->item(IdPicture)->geometry();
    const auto differs = [&](int x, int y) { return empty.pixel(x, y) != full.pixel(x, y); };
    testing_support::expectInkInsideFields(
        fields, {picture.left(), picture.top(), picture.right(), picture.bottom()}, 5, differs);

    // A line that fits keeps the preview font: its ink is as wide as that font draws it.
    edit(0)->setText(QStringLiteral("WARNING"));
    const QImage warning = dialog->grab().toImage();
    const testing_support::PixelBox ink = testing_support::changedPixels(
        fields[0], [&](int x, int y) { return empty.pixel(x, y) != warning.pixel(x, y); });
    const int expected = QFontMetrics(*static_cast<QFont*>(previewFont)).boundingRect("WARNING").width();
    EXPECT_NEAR(ink.right - ink.left + 1, expected, 2);
}

TEST_F(QtDialogTest, KeyboardFocusStartsOnPageThenMovesToLineOne)
{
    writeThreeModels();
    open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(QApplication::focusWidget(), button(IdPage));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // Enter presses Page, not Cancel
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialogState, kStateLines);
    EXPECT_EQ(QApplication::focusWidget(), edit(0));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("typed"));
    EXPECT_EQ(edit(0)->text(), QStringLiteral("typed"));
}

// Enter held while the window opens presses Page before the first tick; the
// lines stay enabled and take the typing. Without a model file the line
// under the status says so and what to do.
TEST_F(QtDialogTest, AnEarlyPageKeepsTheLinesAndAMissingModelFileIsNamed)
{
    dialog = std::make_unique<MainDialogQt>(kStateDisclaimer);
    dialog->show();
    ASSERT_TRUE(dialog->windowTitle().isEmpty()); // no tick yet
    QTest::keyClick(button(IdPage), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(dialog->windowTitle(), QStringLiteral("Zarnek Wendrix"), 2000);
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(edit(i)->isEnabled()) << i;
    EXPECT_EQ(QApplication::focusWidget(), edit(0));
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Select a GPS model ..."));
    EXPECT_EQ(text(*dialog, IdFitLine), QStringLiteral(u"No wendrix.ini beside the program: choose Add firmware\u2026 or Update Wendrix"));
    EXPECT_EQ(combo()->count(), 1);
    screenshot(*dialog, "2-no-model-file");
}

TEST_F(QtDialogTest, OkPatchesTheFirmwareAndEndsWithOne)
{
    writeFirmwareModel();
    ASSERT_TRUE(testing_support::writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    open(true);
    QTest::keyClicks(edit(1), QStringLiteral("CALL 555 0100"));
    chooseNext();
    QTest::mouseClick(button(IdOk), Qt::LeftButton);

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    std::vector<unsigned char> patched; // the pristine copy and the log are the logic tests' part
    ASSERT_TRUE(testing_support::readBytes(work("fw.rgn"), patched));
    const std::string line = "CALL 555 0100";
    EXPECT_NE(std::search(patched.begin(), patched.end(), line.begin(), line.end()), patched.end());
    ASSERT_FALSE(boxes->messages.empty());
    // Every language shows the lines, and the question says so first.
    EXPECT_EQ(boxes->messages.back().text,
              "All 6 languages show every line\nYou may now run UPDATER\nStart UPDATER.EXE now?");
    EXPECT_EQ(boxes->messages.back().owner, dialog->handle());
}

// While the uploader runs (minutes, with a real receiver) the dialog goes on
// painting but takes no input; the run goes on when the uploader has ended.
TEST_F(QtDialogTest, TheDialogRepaintsButTakesNoInputWhileTheUploaderRuns)
{
    writeFirmwareModel();
    // A stand-in uploader that runs until the test lets it end (or 5 s).
    ASSERT_TRUE(testing_support::writeText(
        work("UPDATER.EXE"),
        "#!/bin/sh\nn=0\nwhile [ ! -e release ] && [ $n -lt 100 ]; do /bin/sleep 0.05; n=$((n+1)); done\n"));
    std::filesystem::permissions(work("UPDATER.EXE"), std::filesystem::perms::owner_all);
    answerOkCancel = platform::IdOk;
    open(true);
    QTest::keyClicks(edit(1), QStringLiteral("CALL 555 0100"));
    chooseNext();

    struct PaintCount : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } painted;
    bool checked = false;
    QTimer::singleShot(300, [&] {
        checked = true;
        ASSERT_EQ(boxes->messages.size(), 1u); // the question has been answered
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_FALSE(dialog->isEnabled());
        EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Waiting for UPDATER.EXE to finish..."));
        EXPECT_TRUE(QApplication::overrideCursor() != nullptr &&
                    QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        dialog->installEventFilter(&painted);
        dialog->update();
        QTRY_VERIFY_WITH_TIMEOUT(painted.paints > 0, 2000);
        dialog->removeEventFilter(&painted);
        // Neither Cancel nor Escape reaches the dialog meanwhile.
        QTest::mouseClick(button(IdCancel), Qt::LeftButton);
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QTest::keyClicks(edit(1), QStringLiteral("XYZ"));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(edit(1)->text(), QStringLiteral("CALL 555 0100"));
        screenshot(*dialog, "6-uploader-running");
        ASSERT_TRUE(testing_support::writeText(work("release"), ""));
    });
    QTest::mouseClick(button(IdOk), Qt::LeftButton); // returns when the run has ended

    EXPECT_TRUE(checked);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(messageTexts(),
              (Strings{"All 6 languages show every line\nYou may now run UPDATER\nStart UPDATER.EXE now?"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Click OK to modify firmware rel 2.40..."));
}

TEST_F(QtDialogTest, EnterInALineAndATypedListTextThatNamesNoModelAreRefusedLikeNoGps)
{
    writeThreeModels();
    open(true);
    QTest::keyClick(edit(3), Qt::Key_Return); // Enter goes to OK once it is enabled
    EXPECT_EQ(messageTexts(), (Strings{"No Gps selected"}));

    chooseNext();
    combo()->lineEdit()->selectAll();
    QTest::keyClicks(combo()->lineEdit(), QStringLiteral("Zulu"));
    EXPECT_EQ(dialog->listSelection(IdModelList), -1);
    QTest::mouseClick(button(IdOk), Qt::LeftButton);
    EXPECT_EQ(messageTexts(), (Strings{"No Gps selected", "No Gps selected"}));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(QtDialogTest, EscapeCloseBoxAndMenuCloseEndWithZero)
{
    const std::vector<std::pair<const char*, std::function<void(MainDialogQt&)>>> ways = {
        {"Escape", [](MainDialogQt& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", [](MainDialogQt& d) { EXPECT_TRUE(d.close()); }},
        {"Close in the window menu", [](MainDialogQt& d) { d.windowMenu()->actions().last()->trigger(); }},
    };
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        dialog.reset();
        open();
        way(*dialog);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), 0);
    }
}

TEST_F(QtDialogTest, WindowMenuListsUpdateAboutAndCloseAndOpensFromMouseAndKeys)
{
    open();
    QMenu* menu = dialog->windowMenu();
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts, (QStringList{"Update Wendrix", "About Wendrix", "Check lines", QStringLiteral("Add firmware…"), "-", "Close"}));
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);

    // Each way runs the window menu until it closes.
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"right click", [&] {
             QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(300, 280), dialog->mapToGlobal(QPoint(300, 280)));
             QApplication::sendEvent(dialog.get(), &click);
         }},
        {"Alt+Space", [&] { QTest::keyClick(dialog.get(), Qt::Key_Space, Qt::AltModifier); }},
        {"Menu key", [&] {
             edit(0)->setFocus(); // the shortcut works wherever the focus is
             QTest::keyClick(edit(0), Qt::Key_Menu);
         }},
    };
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        QMenu* shown = nullptr;
        whenPopup([&](QMenu& popup) { shown = &popup; });
        way();
        QTRY_VERIFY_WITH_TIMEOUT(shown != nullptr, 2000);
        EXPECT_EQ(shown, menu);
    }

    // The context menus of the line edits and of the model list end with the
    // dialog's own commands, the very actions of the window menu.
    QTest::mouseClick(button(IdPage), Qt::LeftButton); // the edits and the list are enabled now
    for (QWidget* field : {static_cast<QWidget*>(edit(3)), static_cast<QWidget*>(combo()->lineEdit())}) {
        SCOPED_TRACE(field == edit(3) ? "line 4" : "model list");
        QList<QAction*> actions;
        QStringList texts;
        bool seen = false;
        whenPopup([&](QMenu& popup) {
            seen = true;
            EXPECT_NE(&popup, menu);
            actions = popup.actions();
            for (QAction* action : actions)
                texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        });
        QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(field, &right);
        QTRY_VERIFY_WITH_TIMEOUT(seen, 2000);
        ASSERT_GT(actions.size(), 5);
        EXPECT_EQ(texts.at(texts.size() - 5), QStringLiteral("-"));
        EXPECT_EQ(actions.mid(actions.size() - 4), menu->actions().mid(0, 4)); // Update, About, Check lines, Add firmware…
        EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const QString& t) {
            return t.contains(QStringLiteral("Paste")); // the edit's own items stay
        }));
    }
}

TEST_F(QtDialogTest, AboutBoxShowsNameAndVersionAndEndsEveryWay)
{
    open();
    const std::vector<std::function<void(AboutDialogQt&)>> ways = {
        [](AboutDialogQt& box) { QTest::keyClick(&box, Qt::Key_Escape); },
        [](AboutDialogQt& box) { QTest::mouseClick(qobject_cast<QPushButton*>(box.item(IdOk)), Qt::LeftButton); },
        [](AboutDialogQt& box) { QTest::keyClick(&box, Qt::Key_Return); },
        [](AboutDialogQt& box) { box.close(); },
    };
    for (std::size_t i = 0; i < ways.size(); ++i) {
        SCOPED_TRACE(i);
        bool ended = false;
        whenShown<AboutDialogQt>([&](AboutDialogQt& box) {
            EXPECT_EQ(box.windowTitle(), QStringLiteral("About Zarnek"));
            EXPECT_EQ(text(box, IdAboutTitle), QStringLiteral("Zarnek Wendrix"));
            EXPECT_EQ(text(box, IdAboutVersion), QStringLiteral("1.4.1.12"));
            auto* icon = qobject_cast<QLabel*>(box.item(IdAboutIcon));
            EXPECT_TRUE(icon != nullptr && !icon->pixmap().isNull());
            // No owner: nothing is modal, the main dialog still answers.
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
            EXPECT_TRUE(dialog->isEnabled());
            // Centred over the main dialog, as the dialog logic places it.
            const QRect over = dialog->frameGeometry(), placed = box.frameGeometry();
            EXPECT_EQ(placed.topLeft(), over.topLeft() + QPoint((over.width() - placed.width()) / 2,
                                                                (over.height() - placed.height()) / 2))
                << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height() << " over "
                << over.x() << "," << over.y() << " " << over.width() << "x" << over.height();
            if (i == 0)
                screenshot(box, "5-about");
            QObject::connect(&box, &QDialog::finished, [&] { ended = true; });
            ways[i](box);
        });
        // From the menu, and the patch run's way in: a window-menu command sent to the dialog.
        if (i == 0)
            dialog->windowMenu()->actions().at(1)->trigger(); // returns when the box ends
        else
            platform::sendSysCommand(dialog->handle(), CmdAbout);
        EXPECT_TRUE(ended);
        EXPECT_TRUE(dialog->isVisible());
    }
}

// A command chosen in a menu opens its box only once the menu has returned,
// and an edit's own menu is destroyed by then. Run inside the menu's mouse or
// key handler, the box's event loop let Qt free the menu under that handler:
// the heap was corrupted on the first use and the program crashed within a
// few. Ten rounds of each way, with real boxes and their own loops.
TEST_F(QtDialogTest, MenuCommandsRunAfterTheMenuHasGone)
{
    writeThreeModels();
    ModelServer server;
    server.answer(404, "");
    const std::string url = server.url();
    updateCommandUrl = url.c_str();
    platform::setMessageBoxHandler(showMessageBox);
    open(true);

    // At the moment a box is shown: whether any menu is still open or alive.
    struct BoxWatch : QObject {
        QMenu* windowMenu = nullptr;
        QPointer<QMenu> menu;
        int shown = 0;
        int ended = 0;
        std::vector<std::string> faults;
        bool eventFilter(QObject* object, QEvent* event) override
        {
            auto* box = qobject_cast<QDialog*>(object);
            if (event->type() != QEvent::Show || box == nullptr ||
                (dynamic_cast<AboutDialogQt*>(box) == nullptr && qobject_cast<QMessageBox*>(box) == nullptr))
                return false;
            ++shown;
            if (QApplication::activePopupWidget() != nullptr)
                faults.push_back("a popup is still open");
            if (!menu.isNull() && menu->isVisible())
                faults.push_back("the menu is still shown");
            if (!menu.isNull() && menu != windowMenu)
                faults.push_back("the edit's menu still exists");
            QTimer::singleShot(0, box, [this, box] {
                ++ended;
                QTest::keyClick(box, Qt::Key_Escape);
            });
            return false;
        }
    } watch;
    watch.windowMenu = dialog->windowMenu();
    qApp->installEventFilter(&watch);
    QTest::keyClicks(edit(2), QStringLiteral("typed so far"));

    enum class Input { Mouse, Keyboard };
    struct Field {
        const char* name;
        QWidget* widget;
    };
    const Field fields[] = {{"line 3", edit(2)}, {"background", dialog.get()}};
    for (const Field& field : fields) {
        for (const char* command : {"About Wendrix", "Update Wendrix"}) {
            for (Input input : {Input::Mouse, Input::Keyboard}) {
                for (int round = 0; round < 10; ++round) {
                    SCOPED_TRACE(std::string(field.name) + ", " + command +
                                 (input == Input::Mouse ? ", mouse, round " : ", keyboard, round ") +
                                 std::to_string(round));
                    const int before = watch.ended;
                    bool chosen = false;
                    whenPopup([&](QMenu& menu) {
                        watch.menu = &menu;
                        QAction* item = nullptr;
                        for (QAction* action : menu.actions())
                            if (action->text() == QLatin1String(command))
                                item = action;
                        ASSERT_NE(item, nullptr);
                        chosen = true;
                        if (input == Input::Mouse) {
                            const QPoint at = menu.actionGeometry(item).center();
                            QTest::mouseMove(&menu, at);
                            QTest::mouseClick(&menu, Qt::LeftButton, {}, at);
                        } else {
                            menu.setActiveAction(item);
                            QTest::keyClick(&menu, Qt::Key_Return);
                        }
                    });
                    if (input == Input::Mouse) {
                        const QPoint at = field.widget == dialog.get() ? QPoint(300, 280) : QPoint(5, 5);
                        QContextMenuEvent open(QContextMenuEvent::Mouse, at, field.widget->mapToGlobal(at));
                        QApplication::sendEvent(field.widget, &open);
                    } else if (field.widget == dialog.get()) {
                        QTest::keyClick(dialog.get(), Qt::Key_Menu);
                    } else {
                        // What the Menu key raises on a field where no shortcut takes it.
                        QContextMenuEvent open(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                               field.widget->mapToGlobal(QPoint(5, 5)));
                        QApplication::sendEvent(field.widget, &open);
                    }
                    QTRY_VERIFY_WITH_TIMEOUT(watch.ended == before + 1, 5000);
                    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeModalWidget() == nullptr &&
                                                 QApplication::activePopupWidget() == nullptr, 5000);
                    EXPECT_TRUE(chosen);
                    EXPECT_EQ(watch.faults, Strings{});
                    watch.faults.clear();
                    ASSERT_TRUE(dialog->isVisible());
                }
            }
        }
    }
    qApp->removeEventFilter(&watch);
    EXPECT_EQ(watch.shown, 80);
    EXPECT_EQ(server.requests(), 40);
    EXPECT_EQ(edit(2)->text(), QStringLiteral("typed so far"));
}

// "Check lines" in a window of its own: one row per language, the one that
// keeps its own warning last; Alt+U puts the arrangement that suits more
// languages into the fields, Alt+B puts the typed lines back, Escape closes.
// OK then writes the lines in the fields, as the run's log says.
TEST_F(QtDialogTest, CheckLinesWindowAndUseTheseLinesThenOkWritesThem)
{
    writeFourteenModel();
    ASSERT_TRUE(testing_support::writeText(work("UPDATER.EXE"), "#!/bin/sh\n"));
    open(true);
    QTest::keyClicks(edit(0), QStringLiteral("Property of"));
    chooseNext();
    // The live fit under the status, while the owner types.
    EXPECT_EQ(fitLine(), "11 of 13 languages that can take a text show every line (1 keeps its own warning)");
    QTest::keyClicks(edit(1), QStringLiteral("Jo Smith, L"));
    screenshot(*dialog, "11-live-fit");
    QTest::keyClicks(edit(1), QStringLiteral("eith"));
    EXPECT_EQ(fitLine(), "8 of 13 languages that can take a text show every line (1 keeps its own warning)");
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Click OK to modify firmware rel 2.40..."));

    bool checked = false;
    whenShown<CheckLinesDialogQt>([&](CheckLinesDialogQt& window) {
        checked = true;
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Check lines"));
        EXPECT_EQ(window.heading()->text().toStdString(),
                  "Etrex: 8 of 13 languages that can take a text show every line (1 keeps its own warning)");
        QTableWidget* table = window.table();
        ASSERT_EQ(table->rowCount(), 14);
        ASSERT_EQ(table->columnCount(), 4);
        EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("fits"));
        EXPECT_EQ(table->item(8, 1)->text(), QStringLiteral("does not fit"));
        EXPECT_EQ(table->item(13, 1)->text(), QStringLiteral("keeps its own warning"));
        // The text as the receiver shows it, in a fixed-width font.
        EXPECT_TRUE(table->item(0, 2)->text().contains(QStringLiteral("Property of")));
        EXPECT_TRUE(QFontInfo(table->item(0, 2)->font()).fixedPitch());
        EXPECT_EQ(window.arranged()->text(), QStringLiteral("Property of Jo Smith, Leith"));
        EXPECT_TRUE(window.button(IdUseLines)->isEnabled());
        EXPECT_FALSE(window.button(IdBackToMyLines)->isEnabled());
        QApplication::processEvents();
        screenshot(window, "9-check-lines");

        // A mnemonic presses its button as a click shown on screen: it lands
        // a moment later.
        QTest::keyClick(&window, Qt::Key_U, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(edit(0)->text(), QStringLiteral("Property of Jo Smith, Leith"), 2000);
        EXPECT_EQ(edit(1)->text(), QString());
        EXPECT_EQ(text(*dialog, IdFirstPreview), QStringLiteral("Property of Jo Smith, Leith"));
        EXPECT_TRUE(window.heading()->text().contains(QStringLiteral("10 of 13")));
        EXPECT_FALSE(window.button(IdUseLines)->isEnabled());
        EXPECT_TRUE(window.button(IdBackToMyLines)->isEnabled());
        screenshot(window, "10-check-lines-used");
        screenshot(*dialog, "10-after-use");

        QTest::keyClick(&window, Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(edit(1)->text(), QStringLiteral("Jo Smith, Leith"), 2000);
        EXPECT_EQ(edit(0)->text(), QStringLiteral("Property of"));
        QTest::keyClick(&window, Qt::Key_U, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(edit(1)->text(), QString(), 2000);
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    QAction* check = dialog->windowMenu()->actions().at(2);
    ASSERT_EQ(check->text(), QStringLiteral("Check lines"));
    check->trigger(); // returns when the window has closed
    EXPECT_TRUE(checked);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(testing_support::exists(work("fw.org"))) << "the check wrote";
    EXPECT_EQ(edit(0)->text(), QStringLiteral("Property of Jo Smith, Leith"));

    EXPECT_EQ(fitLine(), "10 of 13 languages that can take a text show every line (1 keeps its own warning)");

    // From the keyboard, the fit line opens the window too: Tab from line 7,
    // then Enter.
    bool reopened = false;
    whenShown<CheckLinesDialogQt>([&](CheckLinesDialogQt& window) {
        reopened = true;
        EXPECT_TRUE(window.button(IdBackToMyLines)->isEnabled()) << "the typed lines are still there to go back to";
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    edit(6)->setFocus();
    QTest::keyClick(edit(6), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), dialog->item(IdFitLine));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // returns when the window has closed
    EXPECT_TRUE(reopened);

    QTest::mouseClick(button(IdOk), Qt::LeftButton); // returns when the run has ended
    EXPECT_FALSE(dialog->isVisible());
    const std::string log = testing_support::readText(root.file("prog/wendrix.LOG"));
    EXPECT_NE(log.find("Line-1:  27 Property of Jo Smith, Leith\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Line-2:  28 \r\n"), std::string::npos) << log;
}

// After OK on lines that some languages cannot take, the summary names each
// of them with its reason and the log by its real name; then Enter on the
// uploader question takes Cancel, so a half-patched firmware is not uploaded.
TEST_F(QtDialogTest, PartialPatchSummaryNamesEachLanguageAndEnterDoesNotUpload)
{
    writeFirmwareModel();
    ASSERT_TRUE(testing_support::writeText(work("UPDATER.EXE"), "#!/bin/sh\n: > uploaded\n"));
    std::filesystem::permissions(work("UPDATER.EXE"), std::filesystem::perms::owner_all);
    platform::setMessageBoxHandler(showMessageBox);
    open(true);
    typeLinesSomeLanguagesCannotTake();

    QString summary, question;
    QAbstractButton* defaultButton = nullptr;
    QAbstractButton* cancel = nullptr;
    whenShown<QMessageBox>([&](QMessageBox& box) {
        summary = box.text();
        EXPECT_EQ(box.icon(), QMessageBox::Information);
        screenshot(box, "8-partial-summary");
        box.button(QMessageBox::Ok)->click();
        whenShown<QMessageBox>([&](QMessageBox& next) {
            question = next.text();
            defaultButton = next.defaultButton();
            cancel = next.button(QMessageBox::Cancel);
            QTest::keyClick(&next, Qt::Key_Return);
        });
    });
    QTest::mouseClick(button(IdOk), Qt::LeftButton); // returns when the run has ended

    const QStringList lines = summary.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5) << summary.toStdString();
    EXPECT_EQ(lines[0].toStdString(), "2 of 6 languages not processed");
    EXPECT_EQ(lines[1].toStdString(), "See wendrix.LOG for more information");
    EXPECT_TRUE(testing_support::exists(root.file("prog/wendrix.LOG")));
    EXPECT_EQ(lines[2], QString());
    // Lines 1 to 3 joined: 29 + 25 + 13 characters and two line feeds.
    const QString lost = QStringLiteral(" lines 4, 5, 6 and 7 (empty) left out, harmless: take exactly ");
    EXPECT_EQ(lines[3], QStringLiteral("Espa\u00f1ol: lines 1 to 3 need 69 characters with their line breaks, "
                                       "this text holds 60; line 3 holds text that is left out (lost),") +
                            lost + QStringLiteral("9 characters off lines 1, 2 and 3 in all"))
        << lines[3].toStdString();
    EXPECT_EQ(lines[4], QStringLiteral("Svenska: lines 1 to 3 need 69 characters with their line breaks, "
                                       "this text holds 41; lines 2 and 3 hold text that is left out (lost),") +
                            lost + QStringLiteral("28 characters off lines 1, 2 and 3 in all"))
        << lines[4].toStdString();

    EXPECT_EQ(question.toStdString(), "You may now run UPDATER\nStart UPDATER.EXE now?");
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(defaultButton, cancel) << "Enter would upload a half-patched firmware";
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(testing_support::exists(work("uploaded"))) << "the uploader ran";
    std::vector<unsigned char> patched;
    ASSERT_TRUE(testing_support::readBytes(work("fw.rgn"), patched));
    const std::string line = "RETURN TO 12 HARBOUR ROAD";
    EXPECT_NE(std::search(patched.begin(), patched.end(), line.begin(), line.end()), patched.end());
}

// The first start without firmware says so beside the status and points to
// "Add firmware…"; the file picked in the file dialog is then the chosen
// model, and the line typed is patched into it.
TEST_F(QtDialogTest, AddFirmwareFromTheFileDialogThenTypeAndPatch)
{
    std::filesystem::create_directories(root.file("outside"));
    const std::string picked = root.file("outside/mine.rgn");
    const MadeFirmware mine = makeFirmware(40 * 1024, 9, 23);
    ASSERT_TRUE(testing_support::writeBytes(picked, mine.bytes));
    ASSERT_TRUE(testing_support::writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    writeModelFile("[GPS]\r\nDate=07.12.26\r\n"); // the release archives' sample
    open();
    const QString note = QStringLiteral(
        "No model is listed yet: add your receiver's firmware.\nRight-click here, then choose Add firmware…");
    auto* noteField = qobject_cast<QLabel*>(dialog->item(IdFirmwareNote));
    ASSERT_NE(noteField, nullptr);
    EXPECT_EQ(noteField->text(), note);
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Press page to continue ..."));
    // Whole in its place: beside the status, clear of the buttons and the picture.
    EXPECT_LE(noteField->heightForWidth(noteField->width()), noteField->height());
    for (int id : {IdPage, IdOk, IdCancel, IdPicture, IdStatus})
        EXPECT_FALSE(noteField->geometry().intersects(dialog->item(id)->geometry())) << id;
    screenshot(*dialog, "9-first-start-without-firmware");

    QTest::mouseClick(button(IdPage), Qt::LeftButton);
    QString title;
    whenShown<QFileDialog>([&](QFileDialog& box) {
        title = box.windowTitle();
        // Typed into the file name field, as the owner would.
        auto* name = box.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(picked));
        QTest::keyClick(name, Qt::Key_Return);
    });
    // Chosen from line 1's context menu; the event returns when the command has run.
    whenPopup([&](QMenu& menu) {
        QAction* add = nullptr;
        for (QAction* action : menu.actions())
            if (action->text() == QStringLiteral("Add firmware…"))
                add = action;
        ASSERT_NE(add, nullptr);
        menu.setActiveAction(add);
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(5, 5), edit(0)->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit(0), &right);

    EXPECT_EQ(title, QStringLiteral("Add firmware"));
    ASSERT_EQ(boxes->messages.size(), 1u);
    EXPECT_EQ(boxes->messages[0].text.rfind("Copied " + picked + " to ", 0), 0u) << boxes->messages[0].text;
    EXPECT_NE(boxes->messages[0].text.find("\nAdded \"mine.rgn\" as model 1: working file mine.rgn"),
              std::string::npos);
    EXPECT_EQ(combo()->currentIndex(), 1);
    EXPECT_EQ(combo()->currentText(), QStringLiteral("mine.rgn"));
    EXPECT_EQ(std::string(statusText), modelStatus("mine.rgn"));
    EXPECT_TRUE(noteField->text().isEmpty());
    EXPECT_EQ(dialog->focusWidget(), edit(0));
    screenshot(*dialog, "10-firmware-added");

    QTest::keyClicks(edit(0), QStringLiteral("PROPERTY OF JO"));
    QTest::mouseClick(button(IdOk), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    std::vector<unsigned char> pristine, patched;
    ASSERT_TRUE(testing_support::readBytes(work("mine.org"), pristine));
    ASSERT_TRUE(testing_support::readBytes(work("mine.rgn"), patched));
    EXPECT_EQ(pristine, mine.bytes);
    const std::string line = "PROPERTY OF JO";
    EXPECT_NE(std::search(patched.begin(), patched.end(), line.begin(), line.end()), patched.end());
}

TEST_F(QtDialogTest, UpdateFromTheMenuRefillsTheList)
{
    writeThreeModels("01.10.02");
    ModelServer server;
    server.answer(200, "[GPS]\r\nDate=02.01.03\r\nGps-1=Delta\r\n[Delta]\r\norg=d.org\r\nrgn=d.rgn\r\n"
                       "crc=1c4e1d7a\r\nlang=1\r\nRel=3.00\r\n");
    const std::string url = server.url();
    updateCommandUrl = url.c_str();
    open(true);
    chooseNext();
    ASSERT_EQ(dialogState, kStateModel);

    dialog->windowMenu()->actions().at(0)->trigger();
    EXPECT_EQ(messageTexts(), (Strings{"Wendrix.ini updated\nNo longer listed: Alpha, Beta, Gamma\n"
                                       "The previous file is kept as " + std::string(modelFilePath) + ".bak"}));
    QTRY_COMPARE_WITH_TIMEOUT(combo()->count(), 2, 2000);
    EXPECT_EQ(combo()->itemText(1), QStringLiteral("Delta"));
    EXPECT_EQ(combo()->currentIndex(), 0);
    EXPECT_EQ(dialogState, kStateLines);
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Select a GPS model ..."));
    EXPECT_FALSE(edit(0)->isEnabled());
    EXPECT_TRUE(button(IdOk)->isEnabled());
    screenshot(*dialog, "4-after-update");
}

TEST(MessageBox, EachStyleHasItsIconAndButtonsAndAnswers)
{
    using B = QMessageBox::StandardButton;
    const struct {
        unsigned style;
        std::function<void(QMessageBox&)> answer;
        int result;
        QMessageBox::Icon icon;
        QList<B> buttons;
    } cases[] = {
        {platform::MbYesNo | platform::MbIconWarning, [](QMessageBox& b) { b.button(QMessageBox::No)->click(); },
         platform::IdNo, QMessageBox::Warning, {QMessageBox::Yes, QMessageBox::No}},
        {platform::MbOkCancel | platform::MbIconInformation, [](QMessageBox& b) { b.button(QMessageBox::Ok)->click(); },
         platform::IdOk, QMessageBox::Information, {QMessageBox::Ok, QMessageBox::Cancel}},
        {platform::MbOkCancel | platform::MbIconInformation, [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); },
         platform::IdCancel, QMessageBox::Information, {QMessageBox::Ok, QMessageBox::Cancel}},
        {platform::MbOk | platform::MbIconError, [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Return); },
         platform::IdOk, QMessageBox::Critical, {QMessageBox::Ok}},
        // Enter takes the default button: OK, or Cancel when the second is the default.
        {platform::MbOkCancel | platform::MbIconInformation, [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Return); },
         platform::IdOk, QMessageBox::Information, {QMessageBox::Ok, QMessageBox::Cancel}},
        {platform::MbOkCancel | platform::MbIconInformation | platform::MbDefButton2,
         [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Return); }, platform::IdCancel, QMessageBox::Information,
         {QMessageBox::Ok, QMessageBox::Cancel}},
        {platform::MbYesNo | platform::MbIconWarning | platform::MbDefButton2,
         [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Return); }, platform::IdNo, QMessageBox::Warning,
         {QMessageBox::Yes, QMessageBox::No}},
        {platform::MbOk, [](QMessageBox& b) { b.close(); }, platform::IdOk, QMessageBox::NoIcon, {QMessageBox::Ok}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        QList<B> buttons;
        whenShown<QMessageBox>([&](QMessageBox& box) {
            EXPECT_EQ(box.windowTitle(), QStringLiteral("Zarnek Wendrix"));
            // Room for the caption in a title bar, beside its icon and buttons.
            EXPECT_GE(box.width(), QFontMetrics(captionFont(box)).horizontalAdvance(box.windowTitle()) + 100);
            EXPECT_EQ(box.text(), QStringLiteral("Line one\nLine two"));
            EXPECT_EQ(box.icon(), c.icon);
            for (QAbstractButton* b : box.buttons())
                buttons << box.standardButton(b);
            c.answer(box);
        });
        EXPECT_EQ(showMessageBox(nullptr, "Line one\nLine two", "Zarnek Wendrix", c.style), c.result);
        std::sort(buttons.begin(), buttons.end());
        EXPECT_EQ(buttons, c.buttons);
    }
}
