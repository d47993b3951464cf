#include "gui/ChoiceBox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace {

// What a screen reader reads of a ChoiceBox: a combo box with the list of entries as its child,
// named as any widget is, whose value and text (what AT-SPI clients read as the value of a combo
// box) are the entry chosen, and whose one action opens the list.
class ChoiceBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit ChoiceBoxAccessible(ChoiceBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(Box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == Box()->view() ? 0 : -1;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? Box()->currentText() : QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            Box()->view()->isVisible() ? Box()->hidePopup() : Box()->showPopup();
        }
    }

    // The entry chosen, as read-only text without a caret or a selection.
    QString text(int start, int end) const override {
        return Box()->currentText().mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(Box()->currentText().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return QString();
    }

  private:
    ChoiceBox* Box() const { return static_cast<ChoiceBox*>(widget()); }
};

QAccessibleInterface* MakeAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(ChoiceBox::staticMetaObject.className())) {
        return new ChoiceBoxAccessible(static_cast<ChoiceBox*>(object));
    }
    return nullptr;
}

}  // namespace

ChoiceBox::ChoiceBox(QWidget* parent) : QComboBox(parent) {
    // Installed once however many boxes there are; asked before Qt's own.
    QAccessible::installFactory(MakeAccessible);
}
