// The Status panel in the running program: what it shows on opening, the
// error queue on demand, and what re-opening it reads and clears.
#include "app/main_frame.h"
#include "app/sfp_app.h"
#include "common/test_support.h"
#include "controls/text_static.h"
#include "instrument/instrument_driver.h"
#include "panels/panel.h"
#include "panels/panel_list.h"
#include "panels/status_panel.h"
#include "platform/colors.h"
#include "platform/user_exception.h"
#include "resources/resource_ids.h"

#include <QAbstractButton>
#include <QImage>
#include <gtest/gtest.h>

namespace {

// A non-live driver whose status byte and error queue the test chooses.
class ScriptedDriver : public CNonLiveDriver {
public:
    std::uint16_t ReadStatusByte() override
    {
        ++statusReads;
        if (failStatus)
            throw CUserException();
        return statusByte;
    }
    void ErrorQuery(std::int32_t& code, QString& message) override
    {
        code = errorCode;
        message = errorText;
    }
    std::uint16_t statusByte = 0;
    bool failStatus = false;
    int statusReads = 0;
    std::int32_t errorCode = 0;
    QString errorText = QStringLiteral("None");
};

class StatusPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = StartApp();
        frame = app->MainFrame();
        ASSERT_NE(frame, nullptr);
        recorder.messages.clear(); // start-up's own messages are not the panel's
    }
    ScriptedDriver* UseScriptedDriver()
    {
        auto* driver = new ScriptedDriver;
        delete app->m_pDriver;
        app->m_pDriver = driver;
        return driver;
    }
    CStatusDlg* Open()
    {
        frame->OnStatusPanel();
        CPanel* panel = app->m_panels.FindByStringId(IDS_STATUS_PANEL);
        return panel ? qobject_cast<CStatusDlg*>(panel->m_pDialog) : nullptr;
    }
    QString Shown(int id) const
    {
        CTextStatic* field = dlg ? dlg->Item<CTextStatic>(id) : nullptr;
        return field ? field->Text() : QStringLiteral("<no field>");
    }
    void Click(int id) { dlg->Item<QAbstractButton>(id)->click(); }

    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
    CStatusDlg* dlg = nullptr;
};

TEST_F(StatusPanel, NonLiveShowsTitleZeroAndThenTheErrorQueue)
{
    ASSERT_NE(dlg = Open(), nullptr);
    EXPECT_EQ(Shown(IDC_STATUS_TITLE), QStringLiteral("Status Panel"));
    EXPECT_EQ(Shown(IDC_STATUS_BYTE), QStringLiteral("0"));
    for (int id : {IDC_ERROR_FRAME, IDC_STATUS_FRAME, IDC_ERROR_NUMBER, IDC_ERROR_MESSAGE})
        EXPECT_EQ(Shown(id), QString()) << id;
    Click(IDC_OPC);
    EXPECT_EQ(Shown(IDC_ERROR_NUMBER), QString());
    Click(IDC_READ_ERROR_QUEUE);
    EXPECT_EQ(Shown(IDC_ERROR_NUMBER), QStringLiteral("0"));
    EXPECT_EQ(Shown(IDC_ERROR_MESSAGE), QStringLiteral("None"));
    Click(IDC_OPC);
    EXPECT_EQ(Shown(IDC_ERROR_MESSAGE), QStringLiteral("None"));
    EXPECT_TRUE(recorder.messages.isEmpty());

    // Switching away and back gives a new dialog with empty error fields.
    frame->OnMainPanel();
    ProcessEvents();
    ASSERT_NE(dlg = Open(), nullptr);
    EXPECT_EQ(Shown(IDC_ERROR_NUMBER), QString());
    EXPECT_EQ(Shown(IDC_ERROR_MESSAGE), QString());
}

TEST_F(StatusPanel, LooksTealTitleRaisedFramesWhiteReadOutsOnDarkGrey)
{
    ASSERT_NE(dlg = Open(), nullptr);
    const QImage img = dlg->grab().toImage();
    auto at = [&](int id, int dx, int dy) {
        const QRect g = dlg->GetDlgItem(id)->geometry();
        return img.pixelColor(g.left() + dx, g.top() + dy);
    };
    const QColor shadow = ToQColor(GetPanelColor(2)), light = ToQColor(GetPanelColor(3));
    EXPECT_EQ(img.pixelColor(1, 1), QColor(64, 64, 64));
    const struct {
        int id;
        QColor field, left;
    } looks[] = {{IDC_STATUS_TITLE, QColor(0, 128, 128), shadow}, {IDC_ERROR_FRAME, QColor(192, 192, 192), light},
                 {IDC_STATUS_FRAME, QColor(192, 192, 192), light}, {IDC_ERROR_NUMBER, Qt::white, shadow},
                 {IDC_ERROR_MESSAGE, Qt::white, shadow},          {IDC_STATUS_BYTE, Qt::white, shadow}};
    for (const auto& l : looks) {
        EXPECT_EQ(at(l.id, 3, 3), l.field) << l.id;
        EXPECT_EQ(at(l.id, 2, 6), l.left) << l.id;
        EXPECT_EQ(dlg->Item<CTextStatic>(l.id)->m_pFontWindow, dlg) << l.id;
    }
}

TEST_F(StatusPanel, StatusByteInBaseTwoReadOnlyOnOpening)
{
    ScriptedDriver* driver = UseScriptedDriver();
    const struct {
        std::uint16_t value;
        const char* text;
    } cases[] = {{255, "11111111"}, {0, "0"}, {64, "1000000"}, {0xFFFF, "1111111111111111"}};
    for (const auto& c : cases) {
        driver->statusByte = c.value;
        ASSERT_NE(dlg = Open(), nullptr);
        driver->statusByte = 3; // a later change shows only on re-opening
        Click(IDC_READ_ERROR_QUEUE);
        EXPECT_EQ(Shown(IDC_STATUS_BYTE), QString::fromLatin1(c.text)) << c.value;
    }
    EXPECT_EQ(driver->statusReads, 4);
}

TEST_F(StatusPanel, ErrorCodeInDecimalAndTextKeptWithinItsBuffer)
{
    ScriptedDriver* driver = UseScriptedDriver();
    const QString longText(80, QLatin1Char('x'));
    const struct {
        std::int32_t code;
        QString text, shownCode, shownText;
    } cases[] = {
        {-113, QStringLiteral("Undefined header"), QStringLiteral("-113"), QStringLiteral("Undefined header")},
        {2147483647, QString(), QStringLiteral("2147483647"), QString()},
        {1, longText, QStringLiteral("1"), longText.left(51)},
    };
    ASSERT_NE(dlg = Open(), nullptr);
    for (const auto& c : cases) {
        driver->errorCode = c.code;
        driver->errorText = c.text;
        Click(IDC_READ_ERROR_QUEUE);
        EXPECT_EQ(Shown(IDC_ERROR_NUMBER), c.shownCode);
        EXPECT_EQ(Shown(IDC_ERROR_MESSAGE), c.shownText);
    }
}

TEST_F(StatusPanel, FailedStatusReadLeavesTheFieldEmptyAndThePanelUsable)
{
    UseScriptedDriver()->failStatus = true;
    ASSERT_NE(dlg = Open(), nullptr);
    EXPECT_EQ(Shown(IDC_STATUS_BYTE), QString());
    Click(IDC_READ_ERROR_QUEUE);
    EXPECT_EQ(Shown(IDC_ERROR_MESSAGE), QStringLiteral("None"));
    EXPECT_TRUE(recorder.messages.isEmpty());
}

} // namespace
