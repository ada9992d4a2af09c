#include "platform/qt/qt_backend.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <algorithm>

#include "platform/dialog_keys.h"
#include "platform/qt/control_peers.h"
#include "platform/qt/form_window.h"
#include "platform/qt/qt_keys.h"

namespace rt::qt {

// Keys go to the forms' key rules first: a key that clicks a button is used
// up; key preview sees every release while the form is active, and the
// focused widget still gets it.
class QtBackend::KeyRules : public QObject {
 public:
  bool eventFilter(QObject* target, QEvent* event) override {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget) return false;
    // The event travels up from the focused widget; it counts once, at the
    // widget it was first given to.
    QWidget* focus = QApplication::focusWidget();
    if (widget != (focus ? focus : widget->window())) return false;
    auto* form = dynamic_cast<FormWidget*>(widget->window());
    if (!form || form->Window().Dead()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    int vk = VirtualKeyOf(*key);
    if (vk == 0) return false;
    FormWindow& window = form->Window();
    Form& model = window.Model();
    if (event->type() == QEvent::KeyRelease) {
      if (!key->isAutoRepeat()) DialogKeys::KeyReleased(model.Application(), model, vk, ShiftMaskOf(*key));
      return false;
    }
    ControlWidgetPeer* focused = window.FindByWidget(focus);
    KeyDownAnswer answer = DialogKeys::KeyPressed(model, vk, ShiftMaskOf(*key), focused ? &focused->Model() : nullptr);
    return answer.click != nullptr;
  }
};

QtBackend::QtBackend() : keyRules_(std::make_unique<KeyRules>()) { qApp->installEventFilter(keyRules_.get()); }

QtBackend::~QtBackend() {
  if (qApp) qApp->removeEventFilter(keyRules_.get());
}

bool QtBackend::Realise(Form& form) {
  auto window = std::make_unique<FormWindow>(form);
  FormWindow& owner = *window;
  form.AttachPeer(std::move(window));
  if (!owner.Widget()) return false;
  // Frames first: the controls they hold are their widgets' children.
  std::vector<Control*> ordered = form.Controls();
  std::stable_partition(ordered.begin(), ordered.end(), [](Control* c) { return c->Kind() == ControlKind::Frame; });
  for (Control* c : ordered) {
    auto peer = MakePeer(owner, *c);
    if (!peer) return false;
    c->AttachPeer(std::move(peer));
  }
  owner.Finish();
  return true;
}

void QtBackend::AllUnloaded() {
  ended_ = true;
  if (loop_) loop_->quit();
}

void QtBackend::Run(App& app) {
  QEventLoop loop;
  loop_ = &loop;
  // Between events, once no handler is running, what unloaded forms left
  // behind is released.
  QMetaObject::Connection idle =
      QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, [&app] { app.Idle(); });
  if (app.AnyLoaded() && !ended_) loop.exec();
  QObject::disconnect(idle);
  loop_ = nullptr;
  app.Idle();
}

}  // namespace rt::qt
