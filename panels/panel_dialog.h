#pragma once
// The dialog of a shown panel: a child of the main window's client area built
// from a panel template. It exists only while its panel is shown and deletes
// itself once its window is destroyed.
#include "platform/dialog_template.h"

#include <QWidget>

class CPanel;

class CPanelDialog : public QWidget {
    Q_OBJECT
public:
    ~CPanelDialog() override;

    // Destroys the window; the final step (PostNcDestroy) deletes the object.
    void DestroyWindow();

    QWidget* GetDlgItem(int id) const { return m_controls.Item(id); }
    template <class T>
    T* Item(int id) const { return qobject_cast<T*>(m_controls.Item(id)); }
    // Puts `widget` in the place of template control `id` (geometry, stacking,
    // tab order); the placeholder is deleted.
    bool Attach(int id, QWidget* widget) { return m_controls.Attach(id, widget); }
    const CControlMap& Controls() const { return m_controls; }
    CPanel* Owner() const { return m_pOwner; }

    // How many panel dialogs exist right now (shut-down checks use it).
    static int LiveCount();

protected:
    CPanelDialog(QWidget* parent, CPanel* owner);

    // Builds the window from the template, runs OnInitDialog and shows it.
    // Call it at the end of the derived constructor.
    void Create(const DialogTemplate& tmpl);
    // The derived dialog's initialisation; its first step is FitMainWindow().
    virtual bool OnInitDialog();
    // Runs once the window is gone; the default deletes the object. Derived
    // dialogs delete what they own, then call this.
    virtual void PostNcDestroy();
    // Fits the main window's client area to this dialog.
    void FitMainWindow();

    void keyPressEvent(class QKeyEvent* event) override;

private:
    CControlMap m_controls;
    CPanel* m_pOwner;
    bool m_bDestroyed = false;
};
