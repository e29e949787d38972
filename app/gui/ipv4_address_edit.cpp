#include "app/gui/ipv4_address_edit.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace tarnwell {

Ipv4AddressEdit::Ipv4AddressEdit(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (i > 0) layout->addWidget(new QLabel(".", this));
        auto* field = new QLineEdit(this);
        field->setValidator(new QIntValidator(0, 255, field));
        field->setMaxLength(3);
        field->setAlignment(Qt::AlignCenter);
        field->setAccessibleName(QString("Address byte %1").arg(i + 1));
        field->installEventFilter(this);
        layout->addWidget(field);
        fields_[i] = field;
        // A full byte moves on to the next field, as the address control does.
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            if (text.size() == 3 && i + 1 < fields_.size()) fields_[i + 1]->setFocus();
        });
    }
    setFocusProxy(fields_[0]);
}

bool Ipv4AddressEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Period) {
        for (size_t i = 0; i + 1 < fields_.size(); ++i) {
            if (watched == fields_[i]) {
                fields_[i + 1]->setFocus();
                fields_[i + 1]->selectAll();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::array<int, 4> Ipv4AddressEdit::Octets() const {
    std::array<int, 4> octets{};
    for (size_t i = 0; i < fields_.size(); ++i) octets[i] = fields_[i]->text().toInt();
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
    QStringList parts = text.split('.');
    bool valid = parts.size() == 4;
    for (const QString& part : parts) {
        bool ok = false;
        int value = part.toInt(&ok);
        valid = valid && ok && value >= 0 && value <= 255;
    }
    for (size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->setText(valid ? QString::number(parts[static_cast<int>(i)].toInt()) : QString());
}

} // namespace tarnwell
