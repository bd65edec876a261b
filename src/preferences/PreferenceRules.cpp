#include "preferences/PreferenceRules.h"

namespace headroom {

FieldBounds fieldBounds(SettingField field) {
    return field == SettingField::MemoryLevel ? FieldBounds{1, 1024} : FieldBounds{0, 100};
}

TabSize tabSize(SettingTab tab) {
    switch (tab) {
        case SettingTab::General:
            return {390.0, 315.0};
        case SettingTab::Advanced:
            return {390.0, 370.0};
        case SettingTab::AboutUs:
            return {440.0, 290.0};
    }
    return {390.0, 315.0};
}

WindowFrame frameForTab(const WindowFrame& current, SettingTab tab) {
    const TabSize size = tabSize(tab);
    return WindowFrame{current.x, current.top() - size.height, size.width, size.height};
}

std::string versionString(std::string_view shortVersion, std::string_view buildVersion) {
    return "Version " + std::string(shortVersion) + " (" + std::string(buildVersion) + ")";
}

}  // namespace headroom
