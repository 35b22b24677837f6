#include "resources/menu_resource.h"
#include "resources/resource_ids.h"

const std::vector<MenuPopupResource>& MainMenuResource()
{
    static const std::vector<MenuPopupResource> menu = {
        {QStringLiteral("&Options"),
         {{QStringLiteral("&Reset"), ID_OPTIONS_RESET},
          {QStringLiteral("Self &Test"), ID_OPTIONS_SELFTEST},
          {QString(), 0},
          {QStringLiteral("&Exit"), ID_APP_EXIT}}},
        {QStringLiteral("&Panels"),
         {{QStringLiteral("&Main Panel"), ID_PANELS_MAIN},
          {QStringLiteral("s&Etting Panel"), ID_PANELS_SETTING},
          {QStringLiteral("&Status "), ID_PANELS_STATUS},
          {QStringLiteral("&Traffic"), ID_PANELS_TRAFFIC}}},
        {QStringLiteral("&Help"),
         {{QStringLiteral("&Help Contents"), ID_HELP_CONTENTS},
          {QString(), 0},
          {QStringLiteral("&About..."), ID_APP_ABOUT}}},
    };
    return menu;
}
