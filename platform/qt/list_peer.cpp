// A list box: a QListWidget showing the model's list, and reporting the
// user's choice.
#include <QListWidget>
#include <QSignalBlocker>

#include "platform/qt/control_peers.h"
#include "platform/qt/qt_text.h"

namespace rt::qt {

namespace {

class ListPeer : public ControlWidgetPeer {
 public:
  ListPeer(FormWindow& owner, ListBox& list) : ControlWidgetPeer(owner, list), list_(list) {
    auto* widget = new QListWidget(ParentWidgetFor(owner, list));
    widget->setSelectionMode(QAbstractItemView::SingleSelection);
    widget->setUniformItemSizes(true);
    QObject::connect(widget, &QListWidget::currentRowChanged, widget, [this](int row) { list_.UserSelect(row); });
    Adopt(widget);
  }

 protected:
  void Show(Property what) override {
    auto* widget = static_cast<QListWidget*>(widget_.data());
    QSignalBlocker quiet(widget);
    if (what == Property::List) {
      // Entry i of the widget is entry i of the list.
      if (widget->count() > list_.ListCount()) widget->clear();
      for (int i = 0; i < widget->count(); ++i) {
        if (FromQString(widget->item(i)->text()) != list_.List(i)) {
          widget->clear();
          break;
        }
      }
      for (int i = widget->count(); i < list_.ListCount(); ++i) widget->addItem(ToQString(list_.List(i)));
      widget->setCurrentRow(list_.ListIndex());
    } else if (what == Property::ListIndex) {
      widget->setCurrentRow(list_.ListIndex());
    }
  }

 private:
  ListBox& list_;
};

}  // namespace

std::unique_ptr<ControlWidgetPeer> MakeListPeer(FormWindow& owner, ListBox& list) {
  return std::make_unique<ListPeer>(owner, list);
}

}  // namespace rt::qt
