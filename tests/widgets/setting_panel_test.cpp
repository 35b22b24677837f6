// The Setting Panel as the operator uses it: the tabs, the six lists, the
// "Parity Check" box and "Restore", over the application's settings store.
#include "app/main_frame.h"
#include "common/test_support.h"
#include "panels/panel_host.h"
#include "panels/panel_list.h"
#include "panels/setting_panel.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

const int kListIds[] = {IDC_MODE, IDC_BAUD, IDC_DATA_BITS, IDC_PARITY, IDC_STOP_BITS, IDC_FLOW_CONTROL};
const QStringList kDefaultsShown{"NORMAL", "9600", "8", "None", "1", "None", "ticked"};

class SettingPanelTest : public ::testing::Test {
public:
    void SetUp() override
    {
        app = StartApp();
        store = static_cast<CSettingObj*>(CPanelHost::Get()->Panels().FindByStringId(IDS_SETTING_PANEL));
        ASSERT_NE(store, nullptr);
        Reopen(false);
    }
    void TearDown() override
    {
        app->MainFrame()->DestroyWindow();
        ProcessEvents();
    }

    // Opens the Setting Panel, leaving the Main Panel first if asked.
    void Reopen(bool viaMainPanel = true)
    {
        if (viaMainPanel)
            app->MainFrame()->OnMainPanel();
        app->MainFrame()->OnSettingPanel();
        ProcessEvents();
        dlg = static_cast<CSettingDlg*>(store->m_pDialog);
        ASSERT_NE(dlg, nullptr);
    }

    QComboBox* List(int id) const { return dlg->Item<QComboBox>(id); }
    QCheckBox* ParityCheck() const { return dlg->Item<QCheckBox>(IDC_PARITY_CHECK); }
    QPushButton* Restore() const { return dlg->Item<QPushButton>(IDC_RESTORE); }
    QTabWidget* Tabs() const { return dlg->TabControl(); }
    void ChooseTab(int index) { Tabs()->tabBar()->setCurrentIndex(index); }

    // Picks an item the way the keyboard does, one step at a time.
    void Choose(int id, const QString& text)
    {
        QComboBox* list = List(id);
        const int target = list->findText(text);
        ASSERT_GE(target, 0) << text.toStdString();
        while (list->currentIndex() != target) {
            QKeyEvent key(QEvent::KeyPress, list->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up,
                          Qt::NoModifier);
            QApplication::sendEvent(list, &key);
        }
    }

    // What the six lists and the box show, top to bottom.
    QStringList Shown() const
    {
        QStringList shown;
        for (int id : kListIds)
            shown << List(id)->currentText();
        return shown << (ParityCheck()->isChecked() ? "ticked" : "clear");
    }

    ModalRecorder recorder;
    std::unique_ptr<CSfpApp> app;
    CSettingObj* store = nullptr;
    CSettingDlg* dlg = nullptr;
};

TEST_F(SettingPanelTest, FirstOpeningShowsChannelOneWithTheDefaults)
{
    ASSERT_EQ(Tabs()->count(), 4);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(Tabs()->tabText(k), QStringLiteral("Channel %1").arg(k + 1));
    EXPECT_EQ(Tabs()->currentIndex(), 0);
    EXPECT_EQ(Shown(), kDefaultsShown);
    EXPECT_FALSE(Restore()->isEnabled());
    EXPECT_TRUE(dlg->GetDlgItem(IDC_APPLY)->isHidden());
    // The lists, box and button lie on top of the tab control, reachable.
    for (int id : {IDC_MODE, IDC_FLOW_CONTROL, IDC_PARITY_CHECK, IDC_RESTORE}) {
        QWidget* control = dlg->GetDlgItem(id);
        const QPoint centre = control->geometry().center();
        EXPECT_TRUE(Tabs()->geometry().contains(centre)) << id;
        QWidget* hit = dlg->childAt(centre);
        EXPECT_TRUE(hit == control || control->isAncestorOf(hit)) << id;
    }
    // The application's light grey dialog colour, outside the tab control
    // and on its page.
    const QImage image = dlg->grab().toImage();
    const QRect restore = Restore()->geometry();
    EXPECT_EQ(image.pixelColor(2, 2), QColor(192, 192, 192));
    EXPECT_EQ(image.pixelColor(restore.right() + 6, restore.center().y()), QColor(192, 192, 192));
}

// Each control edits its own setting of the shown channel at once, and
// Restore takes it back.
TEST_F(SettingPanelTest, EachControlStoresItsOwnSettingAndRestoreTakesItBack)
{
    const struct {
        int id;
        const char* choice;
        QString ChannelSettings::*field;
    } cases[] = {{IDC_MODE, "REMOTE-LOOP", &ChannelSettings::mode},
                 {IDC_BAUD, "38.4k", &ChannelSettings::baudRate},
                 {IDC_DATA_BITS, "5", &ChannelSettings::dataBits},
                 {IDC_PARITY, "Force 0", &ChannelSettings::parity},
                 {IDC_STOP_BITS, "2", &ChannelSettings::stopBits},
                 {IDC_FLOW_CONTROL, "DTR/DSR", &ChannelSettings::flowControl},
                 {IDC_PARITY_CHECK, nullptr, nullptr}};
    int tab = 0;
    for (const auto& c : cases) {
        tab = (tab + 1) % 4;
        ChooseTab(tab);
        ChannelSettings expected = DefaultChannelSettings();
        if (c.field) {
            Choose(c.id, c.choice);
            expected.*c.field = c.choice;
        } else {
            ParityCheck()->click();
            expected.parityCheck = 0;
        }
        const ChannelSettings s = store->GetChannelSettings(tab);
        EXPECT_EQ(QStringList({s.baudRate, s.dataBits, s.parity, s.stopBits, s.flowControl, s.mode}),
                  QStringList({expected.baudRate, expected.dataBits, expected.parity, expected.stopBits,
                               expected.flowControl, expected.mode}))
            << c.id;
        EXPECT_EQ(s.parityCheck, expected.parityCheck) << c.id;
        EXPECT_TRUE(Restore()->isEnabled()) << c.id;
        Restore()->click();
        EXPECT_EQ(Shown(), kDefaultsShown) << c.id;
        EXPECT_EQ(store->IsChanged(tab), 0) << c.id;
        EXPECT_FALSE(Restore()->isEnabled()) << c.id;
    }
}

TEST_F(SettingPanelTest, OddOnChannelTwoEnablesRestoreAndNoneAgainDisablesIt)
{
    ChooseTab(1);
    Choose(IDC_PARITY, "Odd");
    EXPECT_TRUE(Restore()->isEnabled());
    Choose(IDC_PARITY, "None");
    EXPECT_FALSE(Restore()->isEnabled());
    EXPECT_EQ(store->IsChanged(1), 0);
}

TEST_F(SettingPanelTest, AnEditSurvivesASwitchOfTab)
{
    Choose(IDC_BAUD, "19.2k");
    ChooseTab(2);
    EXPECT_EQ(Shown(), kDefaultsShown);
    EXPECT_FALSE(Restore()->isEnabled());
    ChooseTab(0);
    EXPECT_EQ(List(IDC_BAUD)->currentText(), QStringLiteral("19.2k"));
    EXPECT_TRUE(Restore()->isEnabled());
}

TEST_F(SettingPanelTest, RestoreBringsBackTheOpeningValuesOfTheShownChannelOnly)
{
    // On this visit channel 1 opens with other values than the defaults.
    store->SetChannelSettings(0, "1200", "7", "Even", "1.5", "RTS/CTS", 0, "LOCAL-LOOP");
    Reopen();
    const QStringList opening{"LOCAL-LOOP", "1200", "7", "Even", "1.5", "RTS/CTS", "clear"};
    EXPECT_EQ(Shown(), opening);
    ChooseTab(3);
    Choose(IDC_DATA_BITS, "6");
    ChooseTab(0);
    Choose(IDC_MODE, "NORMAL");
    ParityCheck()->click();
    Restore()->click();
    EXPECT_EQ(Shown(), opening);
    EXPECT_FALSE(Restore()->isEnabled());
    EXPECT_EQ(store->IsChanged(3), 1);
    EXPECT_EQ(store->GetChannelSettings(3).dataBits, QStringLiteral("6"));
}

TEST_F(SettingPanelTest, ReopeningMakesTheEditsTheRestorePointAndShowsTheLastTab)
{
    Choose(IDC_FLOW_CONTROL, "Xon/Xoff");
    ChooseTab(2);
    Choose(IDC_PARITY, "Even");
    Reopen();
    EXPECT_EQ(Tabs()->currentIndex(), 2);
    EXPECT_EQ(List(IDC_PARITY)->currentText(), QStringLiteral("Even"));
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(store->IsChanged(k), 0) << k;
    ChooseTab(0);
    EXPECT_FALSE(Restore()->isEnabled());
    // Restore does not reach back past this visit.
    Choose(IDC_FLOW_CONTROL, "None");
    Restore()->click();
    EXPECT_EQ(List(IDC_FLOW_CONTROL)->currentText(), QStringLiteral("Xon/Xoff"));
}

} // namespace
