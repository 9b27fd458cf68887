#include "stage/desktop/popuppresenter.h"

#include <QAction>
#include <QMenu>

namespace vistrel::desktop {

void MenuPopupPresenter::popup(const std::vector<presentation::PopupItem>& items, QPoint at,
                               std::function<void(std::size_t)> chosen) {
    auto* menu = new QMenu;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const presentation::PopupItem& item = items[i];
        switch (item.kind) {
            case presentation::PopupItem::Kind::Heading:
                menu->addSection(item.text);
                break;
            case presentation::PopupItem::Kind::Separator:
                menu->addSeparator();
                break;
            case presentation::PopupItem::Kind::Command:
            case presentation::PopupItem::Kind::Hide: {
                // Menu texts use & for mnemonics; entry captions are shown as they are.
                QString text = item.text;
                text.replace(u'&', QLatin1String("&&"));
                QAction* action = menu->addAction(text);
                action->setEnabled(item.enabled);
                QObject::connect(action, &QAction::triggered, menu, [chosen, i] { chosen(i); });
                break;
            }
        }
    }
    menu->popup(at);
}

}  // namespace vistrel::desktop
