#pragma once
// A cell value as the spreadsheet keeps it: empty, text, number, date (a
// serial number in the 1900 date system, shown with a date format), boolean
// or an error code read from a file.

#include <QString>
#include <cstdint>

namespace xl {

enum class ValueType : std::uint8_t { Empty, Text, Number, Date, Boolean, Error };

class Value {
public:
    Value() = default;
    Value(const QString& s) : type_(ValueType::Text), text_(s) {}
    Value(const char* s) : type_(ValueType::Text), text_(QString::fromUtf8(s)) {}
    Value(double d) : type_(ValueType::Number), num_(d) {}
    Value(int i) : type_(ValueType::Number), num_(i) {}

    static Value text(const QString& s) { return Value(s); }
    static Value number(double d) { return Value(d); }
    // A date value; `serial` counts days in the 1900 system (1 = 1900-01-01).
    static Value date(double serial) {
        Value v;
        v.type_ = ValueType::Date;
        v.num_ = serial;
        return v;
    }
    static Value boolean(bool b) {
        Value v;
        v.type_ = ValueType::Boolean;
        v.num_ = b ? 1 : 0;
        return v;
    }
    static Value error(std::uint8_t code) {
        Value v;
        v.type_ = ValueType::Error;
        v.num_ = code;
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

    const QString& textValue() const { return text_; }
    double numberValue() const { return num_; }
    bool booleanValue() const { return num_ != 0; }
    std::uint8_t errorCode() const { return static_cast<std::uint8_t>(num_); }

    friend bool operator==(const Value& a, const Value& b) {
        return a.type_ == b.type_ && a.num_ == b.num_ && a.text_ == b.text_;
    }

private:
    ValueType type_ = ValueType::Empty;
    double num_ = 0;
    QString text_;
};

} // namespace xl
