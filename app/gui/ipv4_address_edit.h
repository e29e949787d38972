#pragma once
// The IPv4 address control: four byte fields separated by dots, typed the way
// operators know it. Digits only; the third digit moves on to the next field;
// "." or a blank moves on from a field that is not empty (so a "." right after
// an automatic move does nothing); a value above 255 becomes 255; Backspace
// in an empty field and Left/Right at a field's edge cross to the neighbour;
// pasting a whole address fills all four. A blank field reads as 0; the text
// of a wholly blank control is empty.
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
    int IndexOf(QObject* watched) const;
    void MoveTo(int index, bool selectAll, bool atEnd);
    void OnEdited(int index, const QString& text);
    std::array<QLineEdit*, 4> fields_{};
    // The field that focus just moved to by itself, where a "." is ignored.
    int autoMovedTo_ = -1;
};

} // namespace tarnwell
