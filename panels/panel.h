#pragma once
// Panels: long-lived named objects that the application keeps for the whole
// run, each showing a dialog only while it is the shown panel.
#include <QString>

class CPanelDialog;

class CSFPObject {
public:
    explicit CSFPObject(QString name) : m_strName(std::move(name)) {}
    virtual ~CSFPObject() = default;
    CSFPObject(const CSFPObject&) = delete;
    CSFPObject& operator=(const CSFPObject&) = delete;

    QString m_strName;
};

class CPanel : public CSFPObject {
public:
    explicit CPanel(QString name) : CSFPObject(std::move(name)) {}
    // Releases the name only: by the time panels are deleted their dialogs
    // are gone already.
    ~CPanel() override = default;

    // Creates a new dialog for the panel inside the main window, stores it in
    // m_pDialog and makes the panel current.
    virtual CPanelDialog* OpenDialog() { return nullptr; }
    // Destroys the dialog's window (the dialog deletes itself) and forgets it.
    virtual void CloseDialog();
    // Called on every tick of the main window's timer; must return promptly.
    virtual void Update() {}

    CPanelDialog* m_pDialog = nullptr;
    int m_nGroup = 0;

protected:
    // The common tail of every OpenDialog: remember the dialog, become current.
    CPanelDialog* BecomeCurrent(CPanelDialog* dialog);
};
