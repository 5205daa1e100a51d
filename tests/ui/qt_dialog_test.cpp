// The Qt front end with real widgets on the offscreen platform: the user's
// clicks and keys, the files a patch run writes, the window menu, the About
// box and message boxes. Screenshots of each state go to the build folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <zlib.h>

#include "config/model_file.h"
#include "engine/warning_lines.h"
#include "tests/support/firmware_maker.h"
#include "tests/ui/dialog_fixture.h"
#include "tests/ui/model_server.h"
#include "ui/main_dialog.h"
#include "ui/qt/qt_dialog.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/qt_message_box.h"
#include "ui/startup.h"

using namespace ui;
using namespace ui::qt;
using testing_support::readBytes;
using testing_support::writeBytes;
using testing_support::writeText;

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
    auto* poll = new QTimer;
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

    // Shows the dialog and waits for the first timer tick.
    void open()
    {
        dialog = std::make_unique<MainDialogQt>(kStateDisclaimer);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        EXPECT_TRUE(dialog->windowTitle().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(dialog->windowTitle(), QStringLiteral("Zarnek Wendrix"), 2000);
    }
    QPushButton* button(int id) { return qobject_cast<QPushButton*>(dialog->item(id)); }
    QLineEdit* edit(int line) { return qobject_cast<QLineEdit*>(dialog->item(IdFirstEdit + line)); }
    QComboBox* combo() { return qobject_cast<QComboBox*>(dialog->item(IdModelList)); }

    void writeFirmwareModel()
    {
        firmware = makeFirmware(32 * 1024, 6, 5);
        ASSERT_TRUE(writeBytes(work("fw.rgn"), firmware.bytes));
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08lx",
                      crc32(0, firmware.bytes.data(), static_cast<uInt>(firmware.bytes.size())));
        writeModelFile(std::string("[GPS]\r\nDate=01.10.02\r\nGps-1=Etrex\r\nGps-2=Other\r\n"
                                   "[Etrex]\r\norg=fw.org\r\nrgn=fw.rgn\r\ncrc=") +
                       crc + "\r\nlang=6\r\nRel=2.40\r\n[WARNING]\r\nText-1=STORED LINE\r\n");
    }

    QtFrontEnd frontEnd;
    std::unique_ptr<MainDialogQt> dialog;
    MadeFirmware firmware;
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
    const QRect previews = dialog->item(IdFirstPreview)->geometry().united(
        dialog->item(IdFirstPreview + 6)->geometry());
    EXPECT_TRUE(picture->geometry().contains(previews));
    EXPECT_FALSE(dialog->windowIcon().isNull());
}

TEST_F(QtDialogTest, PageTypingAndChoosingAModel)
{
    writeFirmwareModel();
    open();
    QTest::mouseClick(button(IdPage), Qt::LeftButton);
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
    EXPECT_EQ(edit(2)->text(), typed);
    EXPECT_EQ(text(*dialog, IdFirstPreview + 2), typed.left(29));
    EXPECT_STREQ(warningLines.lineText(2), typed.left(29).toLatin1().constData());

    combo()->setFocus();
    QTest::keyClick(combo(), Qt::Key_Down);
    EXPECT_EQ(combo()->currentIndex(), 1);
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Click OK to modify firmware rel 2.40..."));
    screenshot(*dialog, "3-model");

    QTest::keyClick(combo(), Qt::Key_Up);
    EXPECT_EQ(dialogState, kStateLines);
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Select a GPS model ..."));
}

TEST_F(QtDialogTest, OkPatchesTheFirmwareAndEndsWithOne)
{
    writeFirmwareModel();
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ stand-in uploader"));
    open();
    QTest::mouseClick(button(IdPage), Qt::LeftButton);
    edit(1)->selectAll();
    QTest::keyClicks(edit(1), QStringLiteral("CALL 555 0100"));
    combo()->setFocus();
    QTest::keyClick(combo(), Qt::Key_Down);
    QTest::mouseClick(button(IdOk), Qt::LeftButton);

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    std::vector<unsigned char> pristine, patched;
    ASSERT_TRUE(readBytes(work("fw.org"), pristine));
    ASSERT_TRUE(readBytes(work("fw.rgn"), patched));
    EXPECT_EQ(pristine, firmware.bytes);
    const std::string line = "CALL 555 0100";
    EXPECT_NE(std::search(patched.begin(), patched.end(), line.begin(), line.end()),
              patched.end());
    ASSERT_FALSE(boxes->messages.empty());
    EXPECT_EQ(boxes->messages.back().text, "You may now run UPDATER\nStart UPDATER.EXE now?");
    EXPECT_EQ(boxes->messages.back().owner, dialog->handle());
}

TEST_F(QtDialogTest, EnterInALineGoesToOkOnceEnabled)
{
    writeThreeModels();
    open();
    QTest::mouseClick(button(IdPage), Qt::LeftButton);
    QTest::keyClick(edit(3), Qt::Key_Return);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"No Gps selected"}));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(QtDialogTest, EscapeEndsWithZero)
{
    open();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
}

TEST_F(QtDialogTest, CloseBoxAndMenuCloseEndWithZero)
{
    open();
    EXPECT_TRUE(dialog->close());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);

    dialog.reset();
    open();
    const QList<QAction*> actions = dialog->windowMenu()->actions();
    ASSERT_FALSE(actions.isEmpty());
    EXPECT_EQ(actions.last()->text(), QStringLiteral("Close"));
    actions.last()->trigger();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
}

TEST_F(QtDialogTest, WindowMenuListsUpdateAboutAndClose)
{
    open();
    QStringList texts;
    for (QAction* action : dialog->windowMenu()->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts, (QStringList{"Update Wendrix", "About Wendrix", "-", "Close"}));
    // No minimize or maximize button.
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(QtDialogTest, RightClickAltSpaceAndMenuKeyOpenTheWindowMenu)
{
    open();
    QMenu* menu = dialog->windowMenu();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(300, 280),
                            dialog->mapToGlobal(QPoint(300, 280)));
    QApplication::sendEvent(dialog.get(), &click);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();

    QTest::keyClick(dialog.get(), Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();

    edit(0)->setFocus(); // the shortcut works wherever the focus is
    QTest::keyClick(edit(0), Qt::Key_Menu);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST_F(QtDialogTest, AboutBoxShowsNameAndVersionWithoutBlockingTheDialog)
{
    open();
    bool checked = false;
    whenShown<AboutDialogQt>([&](AboutDialogQt& box) {
        screenshot(box, "5-about");
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About Zarnek"));
        EXPECT_EQ(text(box, IdAboutTitle), QStringLiteral("Zarnek Wendrix"));
        EXPECT_EQ(text(box, IdAboutVersion), QStringLiteral("1.4.1.12"));
        auto* icon = qobject_cast<QLabel*>(box.item(IdAboutIcon));
        EXPECT_TRUE(icon != nullptr && !icon->pixmap().isNull());
        // No owner: nothing is modal, the main dialog still answers.
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(dialog->isEnabled());
        checked = true;
        QTest::keyClick(&box, Qt::Key_Escape);
    });
    dialog->windowMenu()->actions().at(1)->trigger(); // returns when the box ends
    EXPECT_TRUE(checked);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(QtDialogTest, AboutBoxEndsWithOkEnterAndTheCloseBox)
{
    open();
    const std::vector<std::function<void(AboutDialogQt&)>> ways = {
        [](AboutDialogQt& box) {
            QTest::mouseClick(qobject_cast<QPushButton*>(box.item(IdOk)), Qt::LeftButton);
        },
        [](AboutDialogQt& box) { QTest::keyClick(&box, Qt::Key_Return); },
        [](AboutDialogQt& box) { box.close(); },
    };
    for (const auto& way : ways) {
        bool ended = false;
        whenShown<AboutDialogQt>([&](AboutDialogQt& box) {
            QObject::connect(&box, &QDialog::finished, [&] { ended = true; });
            way(box);
        });
        // The patch run's way in: a window-menu command sent to the dialog.
        platform::sendSysCommand(dialog->handle(), CmdAbout);
        EXPECT_TRUE(ended);
    }
}

TEST_F(QtDialogTest, UpdateFromTheMenuRefillsTheList)
{
    writeThreeModels("01.10.02");
    ModelServer server;
    server.answer(200, "[GPS]\r\nDate=02.01.03\r\nGps-1=Delta\r\n[Delta]\r\nRel=3.00\r\n");
    const std::string url = server.url();
    updateCommandUrl = url.c_str();
    open();
    QTest::mouseClick(button(IdPage), Qt::LeftButton);
    combo()->setFocus();
    QTest::keyClick(combo(), Qt::Key_Down);
    ASSERT_EQ(dialogState, kStateModel);

    dialog->windowMenu()->actions().at(0)->trigger();
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"Wendrix.ini updated"}));
    EXPECT_EQ(server.requests(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(combo()->count(), 2, 2000);
    EXPECT_EQ(combo()->itemText(1), QStringLiteral("Delta"));
    EXPECT_EQ(combo()->currentIndex(), 0);
    EXPECT_EQ(dialogState, kStateLines);
    EXPECT_EQ(text(*dialog, IdStatus), QStringLiteral("Select a GPS model ..."));
    EXPECT_FALSE(edit(0)->isEnabled());
    EXPECT_TRUE(button(IdOk)->isEnabled());
    screenshot(*dialog, "4-after-update");
}

TEST_F(QtDialogTest, TypedListTextThatNamesNoModelIsNoSelection)
{
    writeThreeModels();
    open();
    QTest::mouseClick(button(IdPage), Qt::LeftButton);
    combo()->setFocus();
    QTest::keyClick(combo(), Qt::Key_Down);
    combo()->lineEdit()->selectAll();
    QTest::keyClicks(combo()->lineEdit(), QStringLiteral("Zulu"));
    EXPECT_EQ(dialog->listSelection(IdModelList), -1);
    QTest::mouseClick(button(IdOk), Qt::LeftButton);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"No Gps selected"}));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(QtDialogTest, UserTextIsShownAsPlainText)
{
    open();
    QTest::mouseClick(button(IdPage), Qt::LeftButton);
    QTest::keyClicks(edit(0), QStringLiteral("<b>bold</b> & co"));
    auto* preview = qobject_cast<QLabel*>(dialog->item(IdFirstPreview));
    EXPECT_EQ(preview->textFormat(), Qt::PlainText);
    EXPECT_EQ(preview->text(), QStringLiteral("<b>bold</b> & co"));
}

// ------------------------------------------------------------ message boxes

class MessageBoxTest : public ::testing::Test {
protected:
    // Shows a box of `style`, lets `act` answer it and returns the result.
    int show(unsigned style, std::function<void(QMessageBox&)> act)
    {
        whenShown<QMessageBox>([&](QMessageBox& box) {
            seenTitle = box.windowTitle();
            seenText = box.text();
            seenIcon = box.icon();
            for (QAbstractButton* b : box.buttons())
                seenButtons << box.standardButton(b);
            act(box);
        });
        return showMessageBox(nullptr, "Line one\nLine two", "Zarnek Wendrix", style);
    }
    QString seenTitle, seenText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> seenButtons;
};

TEST_F(MessageBoxTest, YesNoWarningAnswersNo)
{
    const int answer = show(platform::MbYesNo | platform::MbIconWarning, [](QMessageBox& box) {
        box.button(QMessageBox::No)->click();
    });
    EXPECT_EQ(answer, platform::IdNo);
    EXPECT_EQ(seenTitle, QStringLiteral("Zarnek Wendrix"));
    EXPECT_EQ(seenText, QStringLiteral("Line one\nLine two"));
    EXPECT_EQ(seenIcon, QMessageBox::Warning);
    EXPECT_EQ(seenButtons.size(), 2);
    EXPECT_TRUE(seenButtons.contains(QMessageBox::Yes));
}

TEST_F(MessageBoxTest, OkCancelInformationAnswersOkOrCancel)
{
    EXPECT_EQ(show(platform::MbOkCancel | platform::MbIconInformation,
                   [](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); }),
              platform::IdOk);
    EXPECT_EQ(seenIcon, QMessageBox::Information);
    EXPECT_EQ(show(platform::MbOkCancel | platform::MbIconInformation,
                   [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
              platform::IdCancel);
}

TEST_F(MessageBoxTest, ErrorAndPlainBoxesHaveOneOkButton)
{
    EXPECT_EQ(show(platform::MbOk | platform::MbIconError,
                   [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }),
              platform::IdOk);
    EXPECT_EQ(seenIcon, QMessageBox::Critical);
    EXPECT_EQ(seenButtons, (QList<QMessageBox::StandardButton>{QMessageBox::Ok}));
    seenButtons.clear();
    EXPECT_EQ(show(platform::MbOk, [](QMessageBox& box) { box.close(); }), platform::IdOk);
    EXPECT_EQ(seenIcon, QMessageBox::NoIcon);
}
