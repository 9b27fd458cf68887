#include "stage/presentation/popupmenu.h"

namespace vistrel::presentation {

std::vector<PopupItem> popupItems(const scene::CharacterView& character) {
    std::vector<PopupItem> items;
    for (const scene::MenuEntry& entry : character.menu) {
        if (!entry.visible)
            continue;
        if (items.empty() && !character.menuCaption.isEmpty())
            items.push_back({PopupItem::Kind::Heading, character.menuCaption, {}, false});
        // An entry without a caption still needs something to click on.
        const QString text = entry.caption.isEmpty() ? entry.name : entry.caption;
        items.push_back({PopupItem::Kind::Command, text, entry.name, entry.enabled});
    }
    if (!items.empty())
        items.push_back({PopupItem::Kind::Separator, {}, {}, false});
    items.push_back({PopupItem::Kind::Hide, QStringLiteral("Hide"), {}, true});
    return items;
}

void choosePopupItem(scene::Scene& scene, const QString& id, const PopupItem& item) {
    if (!item.enabled)
        return;
    switch (item.kind) {
        case PopupItem::Kind::Command:
            scene.chooseCommand(id, item.name);
            break;
        case PopupItem::Kind::Hide:
            scene.hideFromMenu(id);
            break;
        case PopupItem::Kind::Heading:
        case PopupItem::Kind::Separator:
            break;
    }
}

}  // namespace vistrel::presentation
