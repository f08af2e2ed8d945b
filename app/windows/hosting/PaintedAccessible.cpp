#include "app/windows/hosting/PaintedAccessible.hpp"

#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QWidget>


namespace quorvel {
namespace {

// Painted control `index`, whichever control sits there now.
class PaintedControlAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PaintedControlAccessible(PaintedAccessible& parent, int index) : parent_(parent), index_(index) {}

    bool isValid() const override { return current().has_value(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent_.painted().window()->windowHandle(); }
    QAccessibleInterface* parent() const override { return &parent_; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text kind) const override {
        const auto control = current();
        if (!control) return {};
        switch (kind) {
            case QAccessible::Name: return control->name;
            case QAccessible::Value: return control->value;
            case QAccessible::Description: return parent_.describe(*control);
            default: return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        const auto control = current();
        if (!control) return {};
        const QRect local = control->rect.toAlignedRect();
        return QRect(parent_.painted().mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override {
        const auto control = current();
        return control ? control->role : QAccessible::NoRole;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        const auto control = current();
        if (!control) {
            state.invalid = true;
            return state;
        }
        state.disabled = !control->enabled;
        state.checkable = control->checkable;
        state.checked = control->checked;
        state.selectable = control->role == QAccessible::PageTab;
        state.selected = control->role == QAccessible::PageTab && control->checked;
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override {
        const auto control = current();
        // Text (an empty list's line, a finished row) is read, never pressed.
        if (!control || !control->enabled || control->role == QAccessible::StaticText) return {};
        return {control->checkable ? toggleAction() : pressAction()};
    }
    void doAction(const QString& name) override {
        if (actionNames().contains(name)) parent_.activate(static_cast<std::size_t>(index_));
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    std::optional<AccessibleControl> current() const {
        const auto controls = parent_.controls();
        if (index_ < 0 || static_cast<std::size_t>(index_) >= controls.size()) return std::nullopt;
        return controls[static_cast<std::size_t>(index_)];
    }

    PaintedAccessible& parent_;
    int index_;
};

QAccessibleInterface* paintedFactory(const QString&, QObject* object) {
    if (object == nullptr || !object->isWidgetType()) return nullptr;
    auto* painted = dynamic_cast<PaintedControls*>(object);
    if (painted == nullptr) return nullptr;
    return new PaintedAccessible(*static_cast<QWidget*>(object), *painted);
}

}  // namespace

PaintedAccessible::PaintedAccessible(QWidget& widget, PaintedControls& painted)
    : QAccessibleWidget(&widget, painted.accessibleRole()), widget_(widget), controls_(painted) {}

PaintedAccessible::~PaintedAccessible() {
    for (const QAccessible::Id id : children_) QAccessible::deleteAccessibleInterface(id);
}

void PaintedAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(paintedFactory);
        return true;
    }();
    (void)installed;
}

int PaintedAccessible::childCount() const { return paintedCount() + QAccessibleWidget::childCount(); }

QAccessibleInterface* PaintedAccessible::child(int index) const {
    const int painted = paintedCount();
    if (index < 0) return nullptr;
    if (index >= painted) return QAccessibleWidget::child(index - painted);
    while (children_.size() <= static_cast<std::size_t>(index)) {
        auto* made = new PaintedControlAccessible(const_cast<PaintedAccessible&>(*this), static_cast<int>(children_.size()));
        children_.push_back(QAccessible::registerAccessibleInterface(made));
    }
    return QAccessible::accessibleInterface(children_[static_cast<std::size_t>(index)]);
}

int PaintedAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const int painted = paintedCount();
    for (std::size_t index = 0; index < children_.size(); ++index) {
        if (QAccessible::accessibleInterface(children_[index]) == child) {
            return static_cast<int>(index) < painted ? static_cast<int>(index) : -1;
        }
    }
    const int widgetIndex = QAccessibleWidget::indexOfChild(child);
    return widgetIndex < 0 ? -1 : painted + widgetIndex;
}

QAccessibleInterface* PaintedAccessible::childAt(int x, int y) const {
    // Real child widgets lie over the painting.
    if (QAccessibleInterface* over = QAccessibleWidget::childAt(x, y)) return over;
    const QPointF local = widget_.mapFromGlobal(QPoint(x, y));
    const auto controls = this->controls();
    for (std::size_t index = 0; index < controls.size(); ++index) {
        if (controls[index].rect.contains(local)) return child(static_cast<int>(index));
    }
    return nullptr;
}

}  // namespace quorvel
