// The Setting Panel (tabs, six lists, "Parity Check", "Restore" over the
// settings store) and the Status panel (status byte, error queue, looks).
#include "controls/text_static.h"
#include "panels/setting_panel.h"
#include "panels/status_panel.h"
#include "widget_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

class Panels : public AppTest {
protected:
    template <class T> T* Open(void (CMainFrame::*command)(), int panelId)
    {
        Run(&CMainFrame::OnMainPanel);
        Run(command);
        return qobject_cast<T*>(DialogOf(panelId));
    }
};

// ---- Setting Panel ----------------------------------------------------------

const QStringList kDefaults{"NORMAL", "9600", "8", "None", "1", "None", "ticked"};

class SettingPanel : public Panels {
protected:
    void SetUp() override
    {
        Panels::SetUp();
        store = static_cast<CSettingObj*>(app->m_panels.FindByStringId(IDS_SETTING_PANEL));
        EXPECT_EQ(store->CurrentChannel(), 0);
        Reopen();
    }
    void Reopen() { ASSERT_TRUE(dlg = Open<CSettingDlg>(&CMainFrame::OnSettingPanel, IDS_SETTING_PANEL)); }
    QComboBox* List(int id) const { return dlg->Item<QComboBox>(id); }
    QCheckBox* Check() const { return dlg->Item<QCheckBox>(IDC_PARITY_CHECK); }
    QPushButton* Restore() const { return dlg->Item<QPushButton>(IDC_RESTORE); }
    void Tab(int index) { dlg->TabControl()->tabBar()->setCurrentIndex(index); }
    void Choose(int id, const QString& text) // as the operator picks an item
    {
        ASSERT_GE(List(id)->findText(text), 0);
        List(id)->setCurrentText(text);
        emit List(id)->activated(List(id)->currentIndex());
    }
    // What the six lists and the box show, top to bottom.
    QStringList Shown() const
    {
        QStringList shown;
        for (int id : {IDC_MODE, IDC_BAUD, IDC_DATA_BITS, IDC_PARITY, IDC_STOP_BITS, IDC_FLOW_CONTROL})
            shown << List(id)->currentText();
        return shown << (Check()->isChecked() ? "ticked" : "clear");
    }
    CSettingDlg* dlg = nullptr;
    CSettingObj* store = nullptr;
};

TEST_F(SettingPanel, FirstOpeningShowsChannelOneWithTheDefaultsOnTopOfTheTabs)
{
    QTabWidget* tabs = dlg->TabControl();
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(3), QStringLiteral("Channel 4"));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(Shown(), kDefaults);
    EXPECT_FALSE(Restore()->isEnabled());
    EXPECT_TRUE(dlg->GetDlgItem(IDC_APPLY)->isHidden());
    for (int id : {IDC_MODE, IDC_FLOW_CONTROL, IDC_PARITY_CHECK, IDC_RESTORE}) {
        QWidget* control = dlg->GetDlgItem(id);
        QWidget* hit = dlg->childAt(control->geometry().center());
        EXPECT_TRUE(tabs->geometry().contains(control->geometry().center()) && (hit == control || control->isAncestorOf(hit))) << id;
    }
    const QImage image = dlg->grab().toImage();
    EXPECT_EQ(image.pixelColor(2, 2), QColor(192, 192, 192));
    EXPECT_EQ(image.pixelColor(Restore()->geometry().right() + 6, Restore()->geometry().center().y()), QColor(192, 192, 192));
}

// Each control edits its own setting of the shown channel at once; Restore takes it back.
TEST_F(SettingPanel, EachControlStoresItsOwnSettingAndRestoreTakesItBack)
{
    const struct {
        int id;
        const char* choice;
        QString ChannelSettings::*field;
    } rows[] = {{IDC_MODE, "REMOTE-LOOP", &ChannelSettings::mode},  {IDC_BAUD, "38.4k", &ChannelSettings::baudRate},
                {IDC_DATA_BITS, "5", &ChannelSettings::dataBits},   {IDC_PARITY, "Force 0", &ChannelSettings::parity},
                {IDC_STOP_BITS, "2", &ChannelSettings::stopBits},   {IDC_FLOW_CONTROL, "DTR/DSR", &ChannelSettings::flowControl},
                {IDC_PARITY_CHECK, nullptr, nullptr}};
    int tab = 0;
    for (const auto& r : rows) {
        Tab(tab = (tab + 1) % 4);
        ChannelSettings want = DefaultChannelSettings();
        if (r.field)
            Choose(r.id, want.*r.field = QString::fromLatin1(r.choice));
        else
            Check()->click(), want.parityCheck = 0;
        const ChannelSettings s = store->GetChannelSettings(tab);
        EXPECT_EQ(QStringList({s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl, s.mode, QString::number(s.parityCheck)}),
                  QStringList({want.baudRate, want.dataBits, want.parity, want.stopBits, want.flowControl, want.mode, QString::number(want.parityCheck)}));
        EXPECT_TRUE(Restore()->isEnabled()) << r.id;
        Restore()->click();
        EXPECT_EQ(Shown(), kDefaults) << r.id;
        EXPECT_EQ(store->IsChanged(tab), 0) << r.id;
        EXPECT_FALSE(Restore()->isEnabled()) << r.id;
    }
}

TEST_F(SettingPanel, AnEditSurvivesASwitchOfTabAndRestoreReachesTheShownChannelOnly)
{
    store->SetChannelSettings(0, "1200", "7", "Even", "1.5", "RTS/CTS", 0, "LOCAL-LOOP");
    Reopen();
    const QStringList opening{"LOCAL-LOOP", "1200", "7", "Even", "1.5", "RTS/CTS", "clear"};
    EXPECT_EQ(Shown(), opening);
    Choose(IDC_BAUD, "19.2k");
    Tab(3);
    EXPECT_EQ(Shown(), kDefaults);
    EXPECT_FALSE(Restore()->isEnabled());
    Choose(IDC_DATA_BITS, "6");
    Tab(0);
    EXPECT_EQ(List(IDC_BAUD)->currentText(), QStringLiteral("19.2k"));
    EXPECT_TRUE(Restore()->isEnabled());
    Restore()->click();
    EXPECT_EQ(Shown(), opening);
    EXPECT_EQ(store->GetChannelSettings(3).dataBits, QStringLiteral("6"));
    // Reopening shows the last tab and makes the edits the restore point.
    Tab(3);
    Reopen();
    EXPECT_EQ(dlg->TabControl()->currentIndex(), 3);
    Choose(IDC_DATA_BITS, "8");
    Restore()->click();
    EXPECT_EQ(List(IDC_DATA_BITS)->currentText(), QStringLiteral("6"));
}

// ---- Status panel -------------------------------------------------------------

// A non-live driver whose status byte and error queue the test chooses.
class StatusDriver : public CNonLiveDriver {
public:
    std::uint16_t ReadStatusByte() override { return fail ? throw CUserException() : statusByte; }
    void ErrorQuery(std::int32_t& c, QString& m) override { c = code, m = text; }
    std::uint16_t statusByte = 0;
    bool fail = false;
    std::int32_t code = 0;
    QString text = QStringLiteral("None");
};

class StatusPanel : public Panels {
protected:
    void Reopen() { ASSERT_TRUE(dlg = Open<CStatusDlg>(&CMainFrame::OnStatusPanel, IDS_STATUS_PANEL)); }
    QString Shown(int id) const { return dlg->Item<CTextStatic>(id)->Text(); }
    void Click(int id) { dlg->Item<QAbstractButton>(id)->click(); }
    CStatusDlg* dlg = nullptr;
};

TEST_F(StatusPanel, NonLiveShowsTitleZeroAndTheErrorQueueOnlyOnDemandInItsColours)
{
    Reopen();
    EXPECT_EQ(Shown(IDC_STATUS_TITLE), QStringLiteral("Status Panel"));
    EXPECT_EQ(Shown(IDC_STATUS_BYTE), QStringLiteral("0"));
    Click(IDC_OPC);
    EXPECT_EQ(Shown(IDC_ERROR_NUMBER) + Shown(IDC_ERROR_MESSAGE), QString());
    Click(IDC_READ_ERROR_QUEUE);
    EXPECT_EQ(Shown(IDC_ERROR_NUMBER), QStringLiteral("0"));
    EXPECT_EQ(Shown(IDC_ERROR_MESSAGE), QStringLiteral("None"));
    Reopen(); // a new dialog, its error fields empty
    EXPECT_EQ(Shown(IDC_ERROR_NUMBER) + Shown(IDC_ERROR_MESSAGE), QString());
    EXPECT_TRUE(recorder.messages.isEmpty());
    // Teal title, raised grey frames, sunken white read-outs on dark grey.
    const QImage img = dlg->grab().toImage();
    EXPECT_EQ(img.pixelColor(1, 1), QColor(64, 64, 64));
    const QColor shadow(128, 128, 128), white(255, 255, 255), grey(192, 192, 192);
    const struct {
        int id;
        QColor field, left;
    } rows[] = {{IDC_STATUS_TITLE, QColor(0, 128, 128), shadow}, {IDC_ERROR_FRAME, grey, white}, {IDC_STATUS_FRAME, grey, white},
                {IDC_ERROR_MESSAGE, white, shadow}, {IDC_STATUS_BYTE, white, shadow}};
    for (const auto& r : rows) {
        const QPoint at = dlg->GetDlgItem(r.id)->geometry().topLeft();
        EXPECT_EQ(img.pixelColor(at + QPoint(3, 3)), r.field) << r.id;
        EXPECT_EQ(img.pixelColor(at + QPoint(2, 6)), r.left) << r.id;
        EXPECT_EQ(dlg->Item<CTextStatic>(r.id)->m_pFontWindow, dlg) << r.id;
    }
}

TEST_F(StatusPanel, StatusByteInBaseTwoOnOpeningErrorCodeInDecimalTextCutToItsField)
{
    StatusDriver* driver = UseDriver(new StatusDriver);
    const std::pair<std::uint16_t, const char*> bytes[] = {{64, "1000000"}, {0xFFFF, "1111111111111111"}};
    for (const auto& [value, text] : bytes) {
        driver->statusByte = value;
        Reopen();
        driver->statusByte = 3; // read on opening only
        Click(IDC_READ_ERROR_QUEUE);
        EXPECT_EQ(Shown(IDC_STATUS_BYTE), QString::fromLatin1(text));
    }
    const QString longText(80, QLatin1Char('x'));
    const struct {
        std::int32_t code;
        QString text, shownCode, shownText;
    } rows[] = {{-113, "Undefined header", "-113", "Undefined header"}, {1, longText, "1", longText.left(51)}};
    for (const auto& r : rows) {
        driver->code = r.code;
        driver->text = r.text;
        Click(IDC_READ_ERROR_QUEUE);
        EXPECT_EQ(Shown(IDC_ERROR_NUMBER), r.shownCode);
        EXPECT_EQ(Shown(IDC_ERROR_MESSAGE), r.shownText);
    }
    driver->fail = true; // a failing read leaves the field empty and the panel usable
    Reopen();
    EXPECT_EQ(Shown(IDC_STATUS_BYTE), QString());
    driver->text = QStringLiteral("None");
    Click(IDC_READ_ERROR_QUEUE);
    EXPECT_EQ(Shown(IDC_ERROR_MESSAGE), QStringLiteral("None"));
    EXPECT_TRUE(recorder.messages.isEmpty());
}

} // namespace
