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

bool KeyPeer::Filter(QEvent* e) {
  if (e->type() != QEvent::KeyPress || forwarding_) return false;
  auto* ke = static_cast<QKeyEvent*>(e);
  WORD vk = VirtualKey(ke->key());
  if (vk == 0 || ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  std::shared_ptr<bool> alive = alive_token();
  // The widget moves its selection first, as the window's own key handling
  // runs before the key is reported as released.
  if (AlsoToWidget(ke->key())) {
    forwarding_ = true;
    QCoreApplication::sendEvent(widget(), e);
    if (!*alive) return true;
    forwarding_ = false;
  }
  ui::TKeyControl& k = key_;
  Deliver([&k, vk] { ui::user::Key(&k, vk); });
  return true;
}

// ---- check box

QWidget* CheckBoxPeer::MakeWidget(QWidget* parent) {
  return new QCheckBox(parent);
}

void CheckBoxPeer::Apply(ui::Change what) {
  auto* w = As<QCheckBox>(widget());
  if (what == ui::Change::State)
    w->setChecked(box_.Checked());
  else if (what == ui::Change::Caption)
    w->setText(FromUtf8(box_.Caption()));
  else
    KeyPeer::Apply(what);
}

// Whatever turns the widget's box (a click, Space, the accessibility
// toggle action, toggle() from anywhere) is the user's click on the model;
// the model's own changes come with the signals blocked.
void CheckBoxPeer::Connect() {
  ui::TCheckBox& box = box_;
  Keep(QObject::connect(As<QCheckBox>(widget()), &QCheckBox::toggled, [this, &box](bool checked) {
    if (checked != box.Checked()) Deliver([&box] { ui::user::Click(&box); });
  }));
}

// ---- radio button

QWidget* RadioButtonPeer::MakeWidget(QWidget* parent) {
  auto* w = new QRadioButton(parent);
  // The model unchecks the siblings.
  w->setAutoExclusive(false);
  return w;
}

void RadioButtonPeer::Apply(ui::Change what) {
  auto* w = As<QRadioButton>(widget());
  if (what == ui::Change::State)
    w->setChecked(button_.Checked());
  else if (what == ui::Change::Caption)
    w->setText(FromUtf8(button_.Caption()));
  else
    KeyPeer::Apply(what);
}

void RadioButtonPeer::Connect() {
  ui::TRadioButton& b = button_;
  Keep(QObject::connect(As<QRadioButton>(widget()), &QRadioButton::clicked,
                        [this, &b] { Deliver([&b] { ui::user::Click(&b); }); }));
}

// ---- button

QWidget* ButtonPeer::MakeWidget(QWidget* parent) {
  auto* w = new QPushButton(parent);
  w->setAutoDefault(false);
  return w;
}

void ButtonPeer::Apply(ui::Change what) {
  auto* w = As<QPushButton>(widget());
  if (what == ui::Change::Caption) {
    w->setText(FromUtf8(button_.Caption()));
  } else if (what == ui::Change::State) {
    w->setDefault(button_.Default());
  } else {
    KeyPeer::Apply(what);
  }
}

void ButtonPeer::Connect() {
  ui::TButton& b = button_;
  Keep(QObject::connect(As<QPushButton>(widget()), &QPushButton::clicked,
                        [this, &b] { Deliver([&b] { ui::user::Click(&b); }); }));
}

// ---- edit field

QWidget* EditPeer::MakeWidget(QWidget* parent) {
  return new QLineEdit(parent);
}

void EditPeer::Apply(ui::Change what) {
  auto* w = As<QLineEdit>(widget());
  if (what == ui::Change::Caption || what == ui::Change::State) {
    QString text = FromUtf8(edit_.Text());
    if (w->text() != text) {
      int cursor = std::min<int>(w->cursorPosition(), static_cast<int>(text.size()));
      w->setText(text);
      w->setCursorPosition(cursor);
    }
    w->setMaxLength(edit_.MaxLength() > 0 ? edit_.MaxLength() : 32767);
  } else {
    KeyPeer::Apply(what);
  }
}

void EditPeer::Connect() {
  ui::TEdit& e = edit_;
  Keep(QObject::connect(As<QLineEdit>(widget()), &QLineEdit::textEdited,
                        [this, &e](const QString& text) {
                          std::string utf8 = text.toStdString();
                          Deliver([&e, &utf8] { ui::user::Type(&e, utf8); });
                        }));
}

// ---- list box

QWidget* ListBoxPeer::MakeWidget(QWidget* parent) {
  auto* w = new QListWidget(parent);
  w->setSelectionMode(QAbstractItemView::SingleSelection);
  w->setUniformItemSizes(true);
  return w;
}

void ListBoxPeer::Apply(ui::Change what) {
  auto* w = As<QListWidget>(widget());
  if (what == ui::Change::Items) {
    w->clear();
    for (const std::string& item : list_.Items()) w->addItem(FromUtf8(item));
    w->setCurrentRow(list_.ItemIndex());
  } else if (what == ui::Change::State) {
    if (list_.ItemIndex() < 0) {
      w->clearSelection();
      w->setCurrentRow(-1);
    } else {
      w->setCurrentRow(list_.ItemIndex());
    }
  } else {
    KeyPeer::Apply(what);
  }
}

void ListBoxPeer::Connect() {
  auto* w = As<QListWidget>(widget());
  // Qt made the list's interface while building the view, before there was
  // a control to name it after.
  if (QAccessible::isActive()) NameLater(*this);
  ui::TListBox& l = list_;
  Keep(QObject::connect(w, &QListWidget::currentRowChanged, [this, &l](int row) {
    if (row >= 0 && row < l.Count() && row != l.ItemIndex())
      Deliver([&l, row] { ui::user::Select(&l, row); });
  }));
  Keep(QObject::connect(w, &QListWidget::itemDoubleClicked, [this, &l](QListWidgetItem*) {
    Deliver([&l] { ui::user::DblClick(&l); });
  }));
}

bool ListBoxPeer::AlsoToWidget(int qt_key) const {
  return qt_key == Qt::Key_Down;
}

// ---- combo box

QWidget* ComboBoxPeer::MakeWidget(QWidget* parent) {
  return new QComboBox(parent);
}

void ComboBoxPeer::Apply(ui::Change what) {
  auto* w = As<QComboBox>(widget());
  if (what == ui::Change::Items) {
    w->clear();
    for (const std::string& item : combo_.Items()) w->addItem(FromUtf8(item));
    w->setCurrentIndex(combo_.ItemIndex());
  } else if (what == ui::Change::State) {
    w->setCurrentIndex(combo_.ItemIndex());
  } else {
    KeyPeer::Apply(what);
  }
  if (what == ui::Change::Items || what == ui::Change::Font || what == ui::Change::Bounds)
    FitItems();
}

// The items fit the box as the layout sizes it: its text field.
void ComboBoxPeer::FitItems() {
  auto* w = As<QComboBox>(widget());
  QStringList texts;
  for (int i = 0; i < w->count(); ++i) texts << w->itemText(i);
  QStyleOptionComboBox opt;
  opt.initFrom(w);
  opt.rect = QRect(0, 0, combo_.Width(), combo_.Height());
  const QRect field =
      w->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, w);
  w->setFont(NarrowedToFit(ToQFont(combo_.Font()), texts, field.width() - 4));
}

void ComboBoxPeer::Connect() {
  ui::TComboBox& c = combo_;
  Keep(QObject::connect(As<QComboBox>(widget()), &QComboBox::activated, [this, &c](int i) {
    if (i >= 0 && i < c.Count()) Deliver([&c, i] { ui::user::Select(&c, i); });
  }));
}

// ---- track bar

QWidget* TrackBarPeer::MakeWidget(QWidget* parent) {
  auto* w = new QSlider(Qt::Horizontal, parent);
  w->setTickPosition(QSlider::TicksBelow);
  return w;
}

void TrackBarPeer::Apply(ui::Change what) {
  auto* w = As<QSlider>(widget());
  if (what == ui::Change::State) {
    w->setRange(bar_.Min(), bar_.Max());
    w->setValue(bar_.Position());
    w->setTickInterval(std::max(1, bar_.Frequency()));
    w->setPageStep(std::max(1, bar_.PageSize()));
  } else {
    ControlPeer::Apply(what);
  }
}

void TrackBarPeer::Connect() {
  ui::TTrackBar& b = bar_;
  Keep(QObject::connect(As<QSlider>(widget()), &QSlider::valueChanged, [this, &b](int v) {
    if (v != b.Position()) Deliver([&b, v] { b.SetPosition(v); });
  }));
}

// ---- group box

QWidget* GroupBoxPeer::MakeWidget(QWidget* parent) {
  return new QGroupBox(parent);
}

void GroupBoxPeer::Apply(ui::Change what) {
  if (what == ui::Change::Caption)
    As<QGroupBox>(widget())->setTitle(FromUtf8(control().Caption()));
  else
    ControlPeer::Apply(what);
}

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
