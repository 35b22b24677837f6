#pragma once
// The Setting Panel: the one store of the four channels' line settings, and
// the dialog that edits them on one tab per channel.
#include "panels/channel_settings.h"
#include "panels/panel.h"
#include "panels/panel_dialog.h"

#include <QString>

class CSettingObj;
class QTabWidget;

// The Setting Panel's dialog on template 113. Edits go to the store at once;
// the dialog itself keeps nothing that must outlive it.
class CSettingDlg : public CPanelDialog {
    Q_OBJECT
public:
    CSettingDlg(QWidget* parent, CSettingObj* owner);

    QTabWidget* TabControl() const { return m_pTabCtrl; }

protected:
    bool OnInitDialog() override;

private:
    // Moves the controls' state into the fields (save) or the fields into
    // the controls (load).
    void UpdateData(bool save);
    void LoadFields(int channel);
    void StoreFields(int channel);
    void EnableApplyRestore(bool enable);

    void OnAnyChange();
    void OnTabChanged(int newTab);
    void OnRestore();

    QTabWidget* m_pTabCtrl = nullptr;
    int m_nParityCheck = 1;
    QString m_strDataBits;
    QString m_strFlowControl;
    QString m_strBaudRate;
    QString m_strStopBits;
    QString m_strParity;
    QString m_strMode;
    CSettingObj* m_pSettingObj;
    // The tab shown before a change of tab: Qt reports a change only once it
    // has happened, so the tab being left is remembered here.
    int m_nShownTab = 0;
};

// The Setting Panel object. Lives for the whole run and keeps, per channel,
// the working settings, the restore point (the settings on the panel's last
// opening) and whether the two differ. Channel indexes run 0 to 3; any other
// index is ignored.
class CSettingObj : public CPanel {
public:
    static constexpr int kChannelCount = 4;

    CSettingObj();
    CPanelDialog* OpenDialog() override;
    // Nothing to do on a tick: the panel sends nothing.
    void Update() override {}

    void GetChannelSettings(int index, QString& baudRate, QString& dataBits, QString& parity,
                            QString& stopBits, QString& flowControl, int& parityCheck,
                            QString& mode) const;
    // The defaults for an index outside 0 to 3.
    ChannelSettings GetChannelSettings(int index) const;
    void SetChannelSettings(int index, const QString& baudRate, const QString& dataBits,
                            const QString& parity, const QString& stopBits,
                            const QString& flowControl, int parityCheck, const QString& mode);
    void SetChannelSettings(int index, const ChannelSettings& settings);
    // Working settings back to the restore point.
    void RestoreChannelSettings(int index);
    // The working settings become the restore point.
    void CommitChannelSettings(int index);
    // 1 while the working settings differ from the restore point.
    int IsChanged(int index) const;

    // The tab last selected on the panel, 0 to 3.
    int CurrentChannel() const { return m_nCurrentChannel; }
    void SetCurrentChannel(int index);

private:
    static bool IsValidIndex(int index) { return index >= 0 && index < kChannelCount; }

    ChannelSettings m_working[kChannelCount];
    ChannelSettings m_restorePoint[kChannelCount];
    int m_nChanged[kChannelCount] = {0, 0, 0, 0};
    int m_nCurrentChannel = 0;
};
