#pragma once
// A cell value as the spreadsheet keeps it: empty, text, number, date (a
// serial number in the 1900 date system, shown with a date format), boolean
// or an error code read from a file.

#include <QString>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <utility>

namespace xl {

enum class ValueType : std::uint8_t { Empty, Text, Number, Date, Boolean, Error };

class Value {
public:
    Value() noexcept : num_(0) {}
    Value(const QString& s) : text_(new Text{{1}, s}), type_(ValueType::Text) {}
    Value(QString&& s) : text_(new Text{{1}, std::move(s)}), type_(ValueType::Text) {}
    Value(const char* s) : Value(QString::fromUtf8(s)) {}
    Value(double d) noexcept : num_(d), type_(ValueType::Number) {}
    Value(int i) noexcept : num_(i), type_(ValueType::Number) {}

    Value(const Value& o) noexcept : type_(o.type_) {
        if (type_ == ValueType::Text) {
            text_ = o.text_;
            text_->refs.fetch_add(1, std::memory_order_relaxed);
        } else {
            num_ = o.num_;
        }
    }
    Value(Value&& o) noexcept : type_(o.type_) {
        if (type_ == ValueType::Text)
            text_ = o.text_;
        else
            num_ = o.num_;
        o.type_ = ValueType::Empty;
        o.num_ = 0;
    }
    Value& operator=(const Value& o) noexcept {
        Value copy(o);
        swap(copy);
        return *this;
    }
    Value& operator=(Value&& o) noexcept {
        Value moved(std::move(o));
        swap(moved);
        return *this;
    }
    ~Value() { release(); }

    static Value text(const QString& s) { return Value(s); }
    static Value number(double d) { return Value(d); }
    // A date value; `serial` counts days in the 1900 system (1 = 1900-01-01).
    static Value date(double serial) {
        Value v(serial);
        v.type_ = ValueType::Date;
        return v;
    }
    static Value boolean(bool b) {
        Value v(b ? 1.0 : 0.0);
        v.type_ = ValueType::Boolean;
        return v;
    }
    static Value error(std::uint8_t code) {
        Value v{double(code)};
        v.type_ = ValueType::Error;
        return v;
    }

    ValueType type() const { return type_; }
    bool isEmpty() const { return type_ == ValueType::Empty; }
    bool isText() const { return type_ == ValueType::Text; }
    // Numbers and dates both hold a double.
    bool isNumeric() const { return type_ == ValueType::Number || type_ == ValueType::Date; }
    bool isDate() const { return type_ == ValueType::Date; }
    bool isBoolean() const { return type_ == ValueType::Boolean; }
    bool isError() const { return type_ == ValueType::Error; }

    const QString& textValue() const { return type_ == ValueType::Text ? text_->s : noText(); }
    // 0 for a text or an empty value.
    double numberValue() const { return type_ == ValueType::Text ? 0 : num_; }
    bool booleanValue() const { return numberValue() != 0; }
    std::uint8_t errorCode() const { return static_cast<std::uint8_t>(numberValue()); }

    friend bool operator==(const Value& a, const Value& b) {
        if (a.type_ != b.type_) return false;
        if (a.type_ == ValueType::Text) return a.text_ == b.text_ || a.text_->s == b.text_->s;
        return a.num_ == b.num_;
    }

    void swap(Value& o) noexcept {
        std::swap(type_, o.type_);
        // Either member may be live: the bits move whole.
        unsigned char t[sizeof(num_)];
        std::memcpy(t, &num_, sizeof t);
        std::memcpy(&num_, &o.num_, sizeof t);
        std::memcpy(&o.num_, t, sizeof t);
    }

private:
    // A text lives in a block of its own that copies of the value share, so
    // that a value is a word and a tag: a workbook holds hundreds of
    // thousands of them, most of them numbers or a text many cells repeat.
    struct Text {
        std::atomic<int> refs;
        QString s;
    };
    static const QString& noText() {
        static const QString none;
        return none;
    }
    void release() noexcept {
        if (type_ == ValueType::Text && text_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete text_;
    }

    union {
        double num_;
        Text* text_;
    };
    ValueType type_ = ValueType::Empty;
};

} // namespace xl
