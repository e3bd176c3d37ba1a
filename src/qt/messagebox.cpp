#include "qt/messagebox.h"

#include <QPushButton>

#include "qt/look.h"

namespace qt {

namespace {

struct ButtonSpec {
  int id;
  QMessageBox::StandardButton button;
  // The program speaks German; so do its boxes' buttons.
  const char* text;
};

// The buttons of each box type (the flags' low four bits), in order.
std::vector<ButtonSpec> ButtonsOf(UINT flags) {
  const ButtonSpec ok{kIdOk, QMessageBox::Ok, "OK"};
  const ButtonSpec cancel{kIdCancel, QMessageBox::Cancel, "Abbrechen"};
  const ButtonSpec yes{kIdYes, QMessageBox::Yes, "&Ja"};
  const ButtonSpec no{kIdNo, QMessageBox::No, "&Nein"};
  const ButtonSpec retry{kIdRetry, QMessageBox::Retry, "&Wiederholen"};
  switch (flags & 0xF) {
    case 1:
      return {ok, cancel};
    case 2:
      return {{kIdAbort, QMessageBox::Abort, "&Abbrechen"},
              retry,
              {kIdIgnore, QMessageBox::Ignore, "&Ignorieren"}};
    case 3:
      return {yes, no, cancel};
    case 4:
      return {yes, no};
    case 5:
      return {retry, cancel};
    default:
      return {ok};
  }
}

QMessageBox::Icon IconOf(UINT flags) {
  switch (flags & 0xF0) {
    case 0x10:
      return QMessageBox::Critical;
    case 0x20:
      return QMessageBox::Question;
    case 0x30:
      return QMessageBox::Warning;
    case 0x40:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// The system's boxes break lines at CR LF.
QString BoxText(const std::string& text) {
  QString s = FromUtf8(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}

}  // namespace

MessageBoxView::MessageBoxView(QWidget* parent, const std::string& text, const std::string& caption,
                               UINT flags)
    : box_(std::make_unique<QMessageBox>(parent)) {
  box_->setWindowTitle(FromUtf8(caption));
  box_->setText(BoxText(text));
  box_->setTextFormat(Qt::PlainText);
  box_->setIcon(IconOf(flags));
  box_->setWindowModality(Qt::ApplicationModal);
  for (const ButtonSpec& spec : ButtonsOf(flags)) {
    QAbstractButton* b = box_->addButton(spec.button);
    b->setText(QString::fromUtf8(spec.text));
    buttons_.emplace_back(b, spec.id);
    if (spec.id == kIdCancel) escape_ = kIdCancel;
  }
  // A box with one button closes with it; the first button is the default.
  if (buttons_.size() == 1) escape_ = buttons_.front().second;
  box_->setDefaultButton(static_cast<QPushButton*>(buttons_.front().first));
  if (QAbstractButton* esc = ButtonFor(escape_)) box_->setEscapeButton(esc);
}

QAbstractButton* MessageBoxView::ButtonFor(int id) const {
  for (const auto& [button, bid] : buttons_)
    if (bid == id) return button;
  return nullptr;
}

int MessageBoxView::AnswerFor(const QAbstractButton* clicked) const {
  for (const auto& [button, id] : buttons_)
    if (button == clicked) return id;
  return escape_ ? escape_ : buttons_.front().second;
}

int MessageBoxView::Run() {
  box_->exec();
  return AnswerFor(box_->clickedButton());
}

}  // namespace qt
