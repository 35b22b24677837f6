// The Status panel on the running program: its fields and their looks, the
// status byte read as it opens, the error queue read on demand, and what a
// switch away and back leaves.
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
        // Start-up's own messages (no instrument found) are not the panel's.
        recorder.messages.clear();
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

    static CTextStatic* Field(CStatusDlg* dlg, int id) { return dlg->Item<CTextStatic>(id); }
    static void Click(CStatusDlg* dlg, int id)
    {
        auto* button = dlg->Item<QAbstractButton>(id);
        ASSERT_NE(button, nullptr);
        button->click();
    }

    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CMainFrame* frame = nullptr;
};

TEST_F(StatusPanel, NonLiveOpensWithTitleAndZeroStatusByte)
{
    CStatusDlg* dlg = Open();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(app->m_pCurrentPanel, app->m_panels.FindByStringId(IDS_STATUS_PANEL));
    const struct {
        int id;
        const char* text;
    } fields[] = {{IDC_STATUS_TITLE, "Status Panel"}, {IDC_ERROR_FRAME, ""}, {IDC_STATUS_FRAME, ""},
                  {IDC_ERROR_NUMBER, ""},           {IDC_ERROR_MESSAGE, ""}, {IDC_STATUS_BYTE, "0"}};
    for (const auto& f : fields) {
        CTextStatic* field = Field(dlg, f.id);
        ASSERT_NE(field, nullptr) << f.id;
        EXPECT_EQ(field->Text(), QString::fromLatin1(f.text)) << f.id;
        // Every field draws its text in the dialog's font.
        EXPECT_EQ(field->m_pFontWindow, dlg) << f.id;
        EXPECT_EQ(field->m_pFont, nullptr) << f.id;
        EXPECT_TRUE(field->m_bBorder) << f.id;
    }
    EXPECT_TRUE(recorder.messages.isEmpty());
}

TEST_F(StatusPanel, FieldColoursGiveTitleFramesAndReadOuts)
{
    CStatusDlg* dlg = Open();
    ASSERT_NE(dlg, nullptr);
    const COLORREF shadow = GetPanelColor(2), light = GetPanelColor(3);
    const struct {
        int id;
        int background;
        bool raised;
    } looks[] = {{IDC_STATUS_TITLE, 8, false}, {IDC_ERROR_FRAME, 6, true},  {IDC_STATUS_FRAME, 6, true},
                 {IDC_ERROR_NUMBER, 0, false}, {IDC_ERROR_MESSAGE, 0, false}, {IDC_STATUS_BYTE, 0, false}};
    for (const auto& l : looks) {
        CTextStatic* field = Field(dlg, l.id);
        ASSERT_NE(field, nullptr) << l.id;
        EXPECT_EQ(field->m_crBackground, GetPanelColor(l.background)) << l.id;
        EXPECT_EQ(field->m_crText, RGB(0, 0, 0)) << l.id;
        EXPECT_EQ(field->m_crTopLeft, l.raised ? light : shadow) << l.id;
        EXPECT_EQ(field->m_crBottomRight, l.raised ? shadow : light) << l.id;
    }

    // On screen: dark grey around the frames, teal title, grey frame face,
    // white read-outs.
    const QImage img = dlg->grab().toImage();
    auto at = [&](int id, int dx, int dy) {
        const QRect g = dlg->GetDlgItem(id)->geometry();
        return img.pixelColor(g.left() + dx, g.top() + dy);
    };
    EXPECT_EQ(img.pixelColor(1, 1), QColor(64, 64, 64));
    EXPECT_EQ(at(IDC_STATUS_TITLE, 4, 4), QColor(0, 128, 128));
    EXPECT_EQ(at(IDC_STATUS_FRAME, 4, 4), QColor(192, 192, 192));
    EXPECT_EQ(at(IDC_STATUS_FRAME, 2, 10), ToQColor(light));
    EXPECT_EQ(at(IDC_ERROR_NUMBER, 4, 4), QColor(255, 255, 255));
    EXPECT_EQ(at(IDC_ERROR_NUMBER, 2, 6), ToQColor(shadow));
}

TEST_F(StatusPanel, ReadErrorQueueShowsCodeAndTextAndOpcChangesNothing)
{
    CStatusDlg* dlg = Open();
    ASSERT_NE(dlg, nullptr);
    Click(dlg, IDC_OPC);
    EXPECT_EQ(Field(dlg, IDC_ERROR_NUMBER)->Text(), QString());
    EXPECT_EQ(Field(dlg, IDC_ERROR_MESSAGE)->Text(), QString());
    Click(dlg, IDC_READ_ERROR_QUEUE);
    EXPECT_EQ(Field(dlg, IDC_ERROR_NUMBER)->Text(), QStringLiteral("0"));
    EXPECT_EQ(Field(dlg, IDC_ERROR_MESSAGE)->Text(), QStringLiteral("None"));
    Click(dlg, IDC_OPC);
    EXPECT_EQ(Field(dlg, IDC_ERROR_NUMBER)->Text(), QStringLiteral("0"));
    EXPECT_EQ(Field(dlg, IDC_ERROR_MESSAGE)->Text(), QStringLiteral("None"));
    EXPECT_EQ(Field(dlg, IDC_STATUS_BYTE)->Text(), QStringLiteral("0"));
    EXPECT_TRUE(recorder.messages.isEmpty());
}

TEST_F(StatusPanel, SwitchingAwayAndBackClearsTheErrorFields)
{
    CStatusDlg* dlg = Open();
    ASSERT_NE(dlg, nullptr);
    Click(dlg, IDC_READ_ERROR_QUEUE);
    ASSERT_EQ(Field(dlg, IDC_ERROR_MESSAGE)->Text(), QStringLiteral("None"));
    frame->OnMainPanel();
    ProcessEvents();
    dlg = Open();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(Field(dlg, IDC_ERROR_NUMBER)->Text(), QString());
    EXPECT_EQ(Field(dlg, IDC_ERROR_MESSAGE)->Text(), QString());
}

TEST_F(StatusPanel, StatusByteInBaseTwoReadOnlyOnOpening)
{
    ScriptedDriver* driver = UseScriptedDriver();
    const struct {
        std::uint16_t value;
        const char* text;
    } cases[] = {{255, "11111111"}, {0, "0"}, {64, "1000000"}, {1, "1"}, {0xFFFF, "1111111111111111"}};
    for (const auto& c : cases) {
        driver->statusByte = c.value;
        CStatusDlg* dlg = Open();
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(Field(dlg, IDC_STATUS_BYTE)->Text(), QString::fromLatin1(c.text)) << c.value;
        // A change of the instrument's status shows only on re-opening.
        driver->statusByte = 3;
        Click(dlg, IDC_READ_ERROR_QUEUE);
        Click(dlg, IDC_OPC);
        EXPECT_EQ(Field(dlg, IDC_STATUS_BYTE)->Text(), QString::fromLatin1(c.text)) << c.value;
    }
    EXPECT_EQ(driver->statusReads, 5);
}

TEST_F(StatusPanel, ErrorQueueTextsAndCodes)
{
    ScriptedDriver* driver = UseScriptedDriver();
    const QString longText(80, QLatin1Char('x'));
    const struct {
        std::int32_t code;
        QString text;
        QString shownCode;
        QString shownText;
    } cases[] = {
        {-113, QStringLiteral("Undefined header"), QStringLiteral("-113"), QStringLiteral("Undefined header")},
        {2147483647, QString(), QStringLiteral("2147483647"), QString()},
        // The panel keeps at most 51 characters of the text.
        {1, longText, QStringLiteral("1"), longText.left(51)},
    };
    CStatusDlg* dlg = Open();
    ASSERT_NE(dlg, nullptr);
    for (const auto& c : cases) {
        driver->errorCode = c.code;
        driver->errorText = c.text;
        Click(dlg, IDC_READ_ERROR_QUEUE);
        EXPECT_EQ(Field(dlg, IDC_ERROR_NUMBER)->Text(), c.shownCode);
        EXPECT_EQ(Field(dlg, IDC_ERROR_MESSAGE)->Text(), c.shownText);
    }
}

TEST_F(StatusPanel, FailedStatusReadLeavesTheFieldEmptyAndThePanelUsable)
{
    ScriptedDriver* driver = UseScriptedDriver();
    driver->failStatus = true;
    CStatusDlg* dlg = Open();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(Field(dlg, IDC_STATUS_BYTE)->Text(), QString());
    EXPECT_EQ(Field(dlg, IDC_STATUS_TITLE)->Text(), QStringLiteral("Status Panel"));
    Click(dlg, IDC_READ_ERROR_QUEUE);
    EXPECT_EQ(Field(dlg, IDC_ERROR_MESSAGE)->Text(), QStringLiteral("None"));
    EXPECT_TRUE(recorder.messages.isEmpty());
}

} // namespace
