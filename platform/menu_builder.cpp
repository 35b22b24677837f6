#include "platform/menu_builder.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

void BuildMenuBar(QMenuBar* bar, const std::vector<MenuPopupResource>& menu,
                  const std::function<void(int)>& onCommand)
{
    for (const MenuPopupResource& popup : menu) {
        QMenu* m = bar->addMenu(popup.text);
        for (const MenuItemResource& item : popup.items) {
            if (item.commandId == 0) {
                m->addSeparator();
                continue;
            }
            QAction* action = m->addAction(item.text);
            action->setData(item.commandId);
            const int id = item.commandId;
            QObject::connect(action, &QAction::triggered, bar, [onCommand, id] { onCommand(id); });
        }
    }
}
