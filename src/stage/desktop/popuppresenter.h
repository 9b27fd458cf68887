#pragma once

// Shows a character's pop-up menu. Behind an interface so that tests can pick an entry
// without a menu waiting for a person.

#include "stage/presentation/popupmenu.h"

#include <QPoint>

#include <cstddef>
#include <functional>
#include <vector>

namespace vistrel::desktop {

class PopupPresenter {
  public:
    virtual ~PopupPresenter() = default;
    // Shows `items` at `at` (in Qt's window coordinates) and returns at once; `chosen` is called
    // with the index of the item the user picks, or never when the menu is dismissed.
    virtual void popup(const std::vector<presentation::PopupItem>& items, QPoint at,
                       std::function<void(std::size_t)> chosen) = 0;
};

// A QMenu that deletes itself when closed.
class MenuPopupPresenter : public PopupPresenter {
  public:
    void popup(const std::vector<presentation::PopupItem>& items, QPoint at,
               std::function<void(std::size_t)> chosen) override;
};

}  // namespace vistrel::desktop
