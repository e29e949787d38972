#include "app/gui/ipv4_address_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <optional>

namespace tarnwell {

namespace {

constexpr int kMaxByte = 255;

// Four dotted bytes 0..255, or nothing.
std::optional<std::array<int, 4>> ParseDotted(const QString& text) {
    QStringList parts = text.trimmed().split('.');
    if (parts.size() != 4) return std::nullopt;
    std::array<int, 4> octets{};
    for (size_t i = 0; i < octets.size(); ++i) {
        const QString& part = parts[static_cast<int>(i)];
        bool ok = false;
        int value = part.toInt(&ok);
        if (!ok || part.isEmpty() || part.size() > 3 || value < 0 || value > kMaxByte) return std::nullopt;
        for (QChar c : part)
            if (!c.isDigit()) return std::nullopt;
        octets[i] = value;
    }
    return octets;
}

} // namespace

Ipv4AddressEdit::Ipv4AddressEdit(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (i > 0) layout->addWidget(new QLabel(".", this));
        auto* field = new QLineEdit(this);
        field->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,3}"), field));
        field->setMaxLength(3);
        field->setAlignment(Qt::AlignCenter);
        field->setAccessibleName(QString("Address byte %1").arg(i + 1));
        field->installEventFilter(this);
        layout->addWidget(field);
        fields_[i] = field;
        connect(field, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { OnEdited(static_cast<int>(i), text); });
    }
    setFocusProxy(fields_[0]);
}

void Ipv4AddressEdit::OnEdited(int index, const QString& text) {
    QLineEdit* field = fields_[static_cast<size_t>(index)];
    if (text.toInt() > kMaxByte) field->setText(QString::number(kMaxByte));
    // The third digit typed at the end moves on, as the address control does.
    if (field->text().size() == 3 && field->cursorPosition() == 3 && index + 1 < static_cast<int>(fields_.size())) {
        MoveTo(index + 1, true, false);
        autoMovedTo_ = index + 1;
    }
}

int Ipv4AddressEdit::IndexOf(QObject* watched) const {
    for (size_t i = 0; i < fields_.size(); ++i)
        if (watched == fields_[i]) return static_cast<int>(i);
    return -1;
}

void Ipv4AddressEdit::MoveTo(int index, bool selectAll, bool atEnd) {
    QLineEdit* field = fields_[static_cast<size_t>(index)];
    field->setFocus(Qt::OtherFocusReason);
    if (selectAll) field->selectAll();
    else field->setCursorPosition(atEnd ? static_cast<int>(field->text().size()) : 0);
}

bool Ipv4AddressEdit::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index < 0) return QWidget::eventFilter(watched, event);
    QLineEdit* field = fields_[static_cast<size_t>(index)];
    const int last = static_cast<int>(fields_.size()) - 1;

    if (event->type() == QEvent::FocusOut) {
        // A value typed above 255 becomes 255 when the field is left.
        if (field->text().toInt() > kMaxByte) field->setText(QString::number(kMaxByte));
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);

    auto* key = static_cast<QKeyEvent*>(event);
    const bool justMovedHere = autoMovedTo_ == index;
    autoMovedTo_ = -1;
    if (key->matches(QKeySequence::Paste)) {
        const QString pasted = QApplication::clipboard()->text();
        if (auto octets = ParseDotted(pasted)) {
            for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->setText(QString::number((*octets)[i]));
            MoveTo(last, false, true);
            return true;
        }
        return QWidget::eventFilter(watched, event); // digits paste into the field as typed
    }
    switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Space:
        if (!justMovedHere && !field->text().isEmpty() && index < last) MoveTo(index + 1, true, false);
        return true; // never typed into a field
    case Qt::Key_Backspace:
        if (field->text().isEmpty() && index > 0) {
            MoveTo(index - 1, false, true);
            return true;
        }
        break;
    case Qt::Key_Left:
        if (field->cursorPosition() == 0 && !field->hasSelectedText() && index > 0) {
            MoveTo(index - 1, false, true);
            return true;
        }
        break;
    case Qt::Key_Right:
        if (field->cursorPosition() == field->text().size() && !field->hasSelectedText() && index < last) {
            MoveTo(index + 1, false, false);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

std::array<int, 4> Ipv4AddressEdit::Octets() const {
    std::array<int, 4> octets{};
    for (size_t i = 0; i < fields_.size(); ++i) octets[i] = std::min(fields_[i]->text().toInt(), kMaxByte);
    return octets;
}

bool Ipv4AddressEdit::IsBlank() const {
    for (QLineEdit* field : fields_)
        if (!field->text().isEmpty()) return false;
    return true;
}

QString Ipv4AddressEdit::Text() const {
    if (IsBlank()) return {};
    auto octets = Octets();
    return QString("%1.%2.%3.%4").arg(octets[0]).arg(octets[1]).arg(octets[2]).arg(octets[3]);
}

void Ipv4AddressEdit::SetText(const QString& text) {
    auto octets = ParseDotted(text);
    for (size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->setText(octets ? QString::number((*octets)[i]) : QString());
}

} // namespace tarnwell
