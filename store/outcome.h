#pragma once
// What a record operation answers. The operations of store/ never show a
// box: the panel that asked maps the outcome to its own message.

namespace store {

enum class Outcome {
    Done,
    NotFound,         // no record has that key (or the row shown is gone)
    AlreadyExists,    // the key is taken by another record
    SheetFull,        // no row left for a new record
    ChangedMeanwhile, // the row no longer holds the record that was loaded
    Invalid,          // a field cannot be stored as it is
};

inline bool done(Outcome o) { return o == Outcome::Done; }

} // namespace store
