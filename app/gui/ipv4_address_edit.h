#pragma once
// The IPv4 address control: four byte fields separated by dots. A blank
// field reads as 0; the text of a wholly blank control is empty.
#include <QWidget>
#include <array>

class QLineEdit;

namespace tarnwell {

class Ipv4AddressEdit : public QWidget {
    Q_OBJECT
public:
    explicit Ipv4AddressEdit(QWidget* parent = nullptr);

    std::array<int, 4> Octets() const;
    bool IsBlank() const;
    // "a.b.c.d", or empty when every field is blank.
    QString Text() const;
    // Parses dotted text; anything else leaves the control blank.
    void SetText(const QString& text);
    QLineEdit* Field(int index) const { return fields_[static_cast<size_t>(index)]; }

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    std::array<QLineEdit*, 4> fields_{};
};

} // namespace tarnwell
