#pragma once

// A character service as the stages see it, with characters the test sets up and a record of
// the user input handed back.

#include "scene/scene.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QStringList>

#include <map>

namespace vistrel::engine::testing {

// A frame of `size`: transparent with an opaque `colour` block inset by `margin` pixels, and
// a transparent `hole` inside the block (in frame coordinates) when one is given.
QImage makeFrame(QSize size, QColor colour, int margin = 10, QRect hole = {});

class FakeScene : public scene::Scene {
  public:
    // Adds a visible character showing `frame` at `position`.
    scene::CharacterView& add(const QString& id, QPoint position, const QImage& frame);
    // Gives access to a character for changing it; call changed() afterwards.
    scene::CharacterView& at(const QString& id) { return m_views.at(id); }
    void setFrame(const QString& id, const QImage& frame);
    void moveTo(const QString& id, QPoint position);
    void setVisible(const QString& id, bool visible);
    void say(const QString& id, scene::BalloonKind kind, const QString& text, int revealed = -1);
    void remove(const QString& id);

    QStringList characterIds() const override { return m_order; }
    scene::CharacterView view(const QString& id) const override;
    void click(const QString& id, int button, int shift, QPoint screenPos) override;
    void dragTo(const QString& id, QPoint topLeft) override;
    void dragComplete(const QString& id, int button, int shift, QPoint screenPos) override;
    void chooseCommand(const QString& id, const QString& name) override;
    void hideFromMenu(const QString& id) override;

    // The input received, one line a call, e.g. "click Merlin 1 0 140,90".
    QStringList calls;

  private:
    std::map<QString, scene::CharacterView> m_views;
    QStringList m_order;
    std::uint64_t m_serial = 0;
};

}  // namespace vistrel::engine::testing
