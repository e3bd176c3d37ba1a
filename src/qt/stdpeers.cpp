#include "qt/stdpeers.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QWheelEvent>
#include <type_traits>

#include "qt/accessible.h"
#include "qt/look.h"
#include "qt/paintedpeers.h"
#include "ui/useractions.h"

namespace qt {

namespace {

WORD VirtualKey(int qt_key) {
  switch (qt_key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return ui::VK_RETURN;
    case Qt::Key_Escape:
      return ui::VK_ESCAPE;
    case Qt::Key_Delete:
      return ui::VK_DELETE;
    case Qt::Key_Down:
      return ui::VK_DOWN;
    default:
      return 0;
  }
}

template <typename W>
W* As(QWidget* w) {
  return static_cast<W*>(w);
}

}  // namespace

// ---- keys

bool KeyPeer::AlsoToWidget(int qt_key) const {
  return qt_key == Qt::Key_Down && qobject_cast<const QListWidget*>(widget());
}

bool KeyPeer::Filter(QEvent* e) {
  if (e->type() != QEvent::KeyPress || forwarding_) return false;
  auto* ke = static_cast<QKeyEvent*>(e);
  WORD vk = VirtualKey(ke->key());
  if (vk == 0 || ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  const ui::TSafePtr<ControlPeer> self(this);
  // The widget moves its selection first, as the window's own key handling
  // runs before the key is reported as released.
  if (AlsoToWidget(ke->key())) {
    forwarding_ = true;
    QCoreApplication::sendEvent(widget(), e);
    if (!self) return true;
    forwarding_ = false;
  }
  ui::TKeyControl& k = key_;
  Deliver([&k, vk] { ui::user::Key(&k, vk); });
  return true;
}

namespace {

// Each kind: NewWidget makes the widget, Show pushes one kind of model state
// into it (the base peer's Apply for the rest), Listen turns its signals
// into the user's calls on the model.

// ---- check box and radio button

QWidget* NewWidget(QWidget* parent, ui::TCheckBox&) {
  return new QCheckBox(parent);
}

QWidget* NewWidget(QWidget* parent, ui::TRadioButton&) {
  auto* w = new QRadioButton(parent);
  // The model unchecks the siblings.
  w->setAutoExclusive(false);
  return w;
}

template <typename C>
void ShowCheck(StdPeer<C>& p, ui::Change what) {
  auto* w = As<QAbstractButton>(p.widget());
  if (what == ui::Change::State)
    w->setChecked(p.model().Checked());
  else if (what == ui::Change::Caption)
    w->setText(FromUtf8(p.model().Caption()));
  else
    p.ApplyAsBase(what);
}

void Show(StdPeer<ui::TCheckBox>& p, ui::Change what) {
  ShowCheck(p, what);
}

void Show(StdPeer<ui::TRadioButton>& p, ui::Change what) {
  ShowCheck(p, what);
}

// Whatever turns the widget's box (a click, Space, the accessibility
// toggle action, toggle() from anywhere) is the user's click on the model;
// the model's own changes come with the signals blocked.
void Listen(StdPeer<ui::TCheckBox>& p) {
  ui::TCheckBox& box = p.model();
  p.Keep(QObject::connect(As<QCheckBox>(p.widget()), &QCheckBox::toggled, [&p, &box](bool on) {
    if (on != box.Checked()) p.Deliver([&box] { ui::user::Click(&box); });
  }));
}

// ---- buttons

QWidget* NewWidget(QWidget* parent, ui::TButton&) {
  auto* w = new QPushButton(parent);
  w->setAutoDefault(false);
  return w;
}

void Show(StdPeer<ui::TButton>& p, ui::Change what) {
  auto* w = As<QPushButton>(p.widget());
  if (what == ui::Change::Caption) {
    w->setText(FromUtf8(p.model().Caption()));
  } else if (what == ui::Change::State) {
    w->setDefault(p.model().Default());
  } else {
    p.ApplyAsBase(what);
  }
}

// A click on the widget is the user's click on the model.
template <typename C>
void Listen(StdPeer<C>& p) {
  C& b = p.model();
  p.Keep(QObject::connect(As<QAbstractButton>(p.widget()), &QAbstractButton::clicked,
                          [&p, &b] { p.Deliver([&b] { ui::user::Click(&b); }); }));
}

// ---- edit field

QWidget* NewWidget(QWidget* parent, ui::TEdit&) {
  return new QLineEdit(parent);
}

void Show(StdPeer<ui::TEdit>& p, ui::Change what) {
  auto* w = As<QLineEdit>(p.widget());
  ui::TEdit& edit = p.model();
  if (what == ui::Change::Caption || what == ui::Change::State) {
    QString text = FromUtf8(edit.Text());
    if (w->text() != text) {
      int cursor = std::min<int>(w->cursorPosition(), static_cast<int>(text.size()));
      w->setText(text);
      w->setCursorPosition(cursor);
    }
    w->setMaxLength(edit.MaxLength() > 0 ? edit.MaxLength() : 32767);
  } else {
    p.ApplyAsBase(what);
  }
}

void Listen(StdPeer<ui::TEdit>& p) {
  ui::TEdit& e = p.model();
  p.Keep(QObject::connect(As<QLineEdit>(p.widget()), &QLineEdit::textEdited,
                          [&p, &e](const QString& text) {
                            std::string utf8 = text.toStdString();
                            p.Deliver([&e, &utf8] { ui::user::Type(&e, utf8); });
                          }));
}

// ---- list box and combo box

// The items, and the one chosen (-1: none, which a list shows unselected).
template <typename C, typename W>
void ShowChoice(StdPeer<C>& p, W* w, ui::Change what, void (W::*choose)(int)) {
  const ui::TItemsControl& c = p.model();
  if (what == ui::Change::Items) {
    w->clear();
    for (const std::string& item : c.Items()) w->addItem(FromUtf8(item));
  } else if (what != ui::Change::State) {
    p.ApplyAsBase(what);
    return;
  }
  if constexpr (std::is_same_v<W, QListWidget>)
    if (c.ItemIndex() < 0) w->clearSelection();
  (w->*choose)(c.ItemIndex());
}

QWidget* NewWidget(QWidget* parent, ui::TListBox&) {
  auto* w = new QListWidget(parent);
  w->setSelectionMode(QAbstractItemView::SingleSelection);
  w->setUniformItemSizes(true);
  return w;
}

void Show(StdPeer<ui::TListBox>& p, ui::Change what) {
  ShowChoice(p, As<QListWidget>(p.widget()), what, &QListWidget::setCurrentRow);
}

void Listen(StdPeer<ui::TListBox>& p) {
  auto* w = As<QListWidget>(p.widget());
  // Qt made the list's interface while building the view, before there was
  // a control to name it after.
  if (QAccessible::isActive()) NameLater(p);
  ui::TListBox& l = p.model();
  p.Keep(QObject::connect(w, &QListWidget::currentRowChanged, [&p, &l](int row) {
    if (row >= 0 && row < l.Count() && row != l.ItemIndex())
      p.Deliver([&l, row] { ui::user::Select(&l, row); });
  }));
  p.Keep(QObject::connect(w, &QListWidget::itemDoubleClicked, [&p, &l](QListWidgetItem*) {
    p.Deliver([&l] { ui::user::DblClick(&l); });
  }));
}

QWidget* NewWidget(QWidget* parent, ui::TComboBox&) {
  return new QComboBox(parent);
}

// The items fit the box as the layout sizes it: its text field.
void FitItems(QComboBox* w, const ui::TComboBox& combo) {
  QStringList texts;
  for (int i = 0; i < w->count(); ++i) texts << w->itemText(i);
  QStyleOptionComboBox opt;
  opt.initFrom(w);
  opt.rect = QRect(0, 0, combo.Width(), combo.Height());
  const QRect field =
      w->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, w);
  w->setFont(NarrowedToFit(ToQFont(combo.Font()), texts, field.width() - 4));
}

void Show(StdPeer<ui::TComboBox>& p, ui::Change what) {
  auto* w = As<QComboBox>(p.widget());
  ShowChoice(p, w, what, &QComboBox::setCurrentIndex);
  if (what == ui::Change::Items || what == ui::Change::Font || what == ui::Change::Bounds)
    FitItems(w, p.model());
}

void Listen(StdPeer<ui::TComboBox>& p) {
  ui::TComboBox& c = p.model();
  p.Keep(QObject::connect(As<QComboBox>(p.widget()), &QComboBox::activated, [&p, &c](int i) {
    if (i >= 0 && i < c.Count()) p.Deliver([&c, i] { ui::user::Select(&c, i); });
  }));
}

// ---- track bar

QWidget* NewWidget(QWidget* parent, ui::TTrackBar&) {
  auto* w = new QSlider(Qt::Horizontal, parent);
  w->setTickPosition(QSlider::TicksBelow);
  return w;
}

void Show(StdPeer<ui::TTrackBar, ControlPeer>& p, ui::Change what) {
  auto* w = As<QSlider>(p.widget());
  ui::TTrackBar& bar = p.model();
  if (what == ui::Change::State) {
    w->setRange(bar.Min(), bar.Max());
    w->setValue(bar.Position());
    w->setTickInterval(std::max(1, bar.Frequency()));
    w->setPageStep(std::max(1, bar.PageSize()));
  } else {
    p.ApplyAsBase(what);
  }
}

void Listen(StdPeer<ui::TTrackBar, ControlPeer>& p) {
  ui::TTrackBar& b = p.model();
  p.Keep(QObject::connect(As<QSlider>(p.widget()), &QSlider::valueChanged, [&p, &b](int v) {
    if (v != b.Position()) p.Deliver([&b, v] { b.SetPosition(v); });
  }));
}

// ---- group box

QWidget* NewWidget(QWidget* parent, ui::TGroupBox&) {
  return new QGroupBox(parent);
}

void Show(StdPeer<ui::TGroupBox, ControlPeer>& p, ui::Change what) {
  if (what == ui::Change::Caption)
    As<QGroupBox>(p.widget())->setTitle(FromUtf8(p.model().Caption()));
  else
    p.ApplyAsBase(what);
}

void Listen(StdPeer<ui::TGroupBox, ControlPeer>&) {}

}  // namespace

template <typename C, typename Base>
QWidget* StdPeer<C, Base>::MakeWidget(QWidget* parent) {
  return NewWidget(parent, model_);
}

template <typename C, typename Base>
void StdPeer<C, Base>::Apply(ui::Change what) {
  Show(*this, what);
}

template <typename C, typename Base>
void StdPeer<C, Base>::Connect() {
  Listen(*this);
}

template class StdPeer<ui::TCheckBox>;
template class StdPeer<ui::TRadioButton>;
template class StdPeer<ui::TButton>;
template class StdPeer<ui::TEdit>;
template class StdPeer<ui::TListBox>;
template class StdPeer<ui::TComboBox>;
template class StdPeer<ui::TTrackBar, ControlPeer>;
template class StdPeer<ui::TGroupBox, ControlPeer>;

// ---- scroll box

namespace {

// A strip area that cannot scroll vertically takes the wheel sideways, a
// scroll bar step per notch.
class StripArea : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;

 protected:
  void wheelEvent(QWheelEvent* e) override {
    QScrollBar* v = verticalScrollBar();
    if (v->maximum() > v->minimum() || e->angleDelta().x() != 0) {
      QScrollArea::wheelEvent(e);
      return;
    }
    rest_ += e->angleDelta().y();
    for (; rest_ >= 120; rest_ -= 120)
      horizontalScrollBar()->triggerAction(QScrollBar::SliderSingleStepSub);
    for (; rest_ <= -120; rest_ += 120)
      horizontalScrollBar()->triggerAction(QScrollBar::SliderSingleStepAdd);
    e->accept();
  }

 private:
  int rest_ = 0;
};

}  // namespace

QWidget* ScrollBoxPeer::MakeWidget(QWidget* parent) {
  auto* area = new StripArea(parent);
  area->setWidgetResizable(false);
  area->setVerticalScrollBarPolicy(box_.VertScrollBar().visible ? Qt::ScrollBarAsNeeded
                                                                : Qt::ScrollBarAlwaysOff);
  area->setHorizontalScrollBarPolicy(box_.HorzScrollBar().visible ? Qt::ScrollBarAsNeeded
                                                                  : Qt::ScrollBarAlwaysOff);
  area->setFrameShape(box_.BorderSingle() ? QFrame::StyledPanel : QFrame::NoFrame);
  area->setFrameShadow(QFrame::Sunken);
  // Tab goes to the strips' controls, which the area scrolls into view;
  // the area itself is no stop.
  area->setFocusPolicy(Qt::NoFocus);
  auto* content = new QWidget;
  area->setWidget(content);
  area_ = area;
  content_ = content;
  return area;
}

void ScrollBoxPeer::Apply(ui::Change what) {
  if (what == ui::Change::Color) {
    QPalette pal = area_->palette();
    pal.setColor(QPalette::Window, FillColorOf(box_));
    area_->setPalette(pal);
    area_->viewport()->setAutoFillBackground(true);
    area_->viewport()->setBackgroundRole(QPalette::Window);
    return;
  }
  ControlPeer::Apply(what);
  if (what == ui::Change::Bounds) ChildBoundsChanged();
}

void ScrollBoxPeer::ChildBoundsChanged() {
  if (!area_ || !content_) return;
  area_->horizontalScrollBar()->setSingleStep(std::max(1, box_.HorzScrollBar().increment));
  area_->verticalScrollBar()->setSingleStep(std::max(1, box_.VertScrollBar().increment));
  int right = box_.HorzRange();  // already includes the margin
  int bottom = 0;
  for (ui::TControl* c : box_.ControlList())
    if (c->Visible()) bottom = std::max(bottom, c->Top() + c->Height());
  bottom += box_.VertScrollBar().margin;
  QSize view = area_->maximumViewportSize();
  if (!box_.VertScrollBar().visible) bottom = 0;
  // The bar takes its height from the view when the content is wider.
  if (right > view.width() && box_.HorzScrollBar().visible)
    view.rheight() -= area_->horizontalScrollBar()->sizeHint().height();
  content_->resize(std::max(right, view.width()), std::max(bottom, view.height()));
}

void ScrollBoxPeer::Connect() {
  ui::TScrollBox& b = box_;
  Keep(QObject::connect(area_->horizontalScrollBar(), &QScrollBar::valueChanged,
                        [&b](int v) { b.HorzScrollBar().position = v; }));
  Keep(QObject::connect(area_->verticalScrollBar(), &QScrollBar::valueChanged,
                        [&b](int v) { b.VertScrollBar().position = v; }));
}

}  // namespace qt
