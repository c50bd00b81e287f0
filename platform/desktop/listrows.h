#pragma once
// The rows a list shows when it reads them on demand: only the rows in view
// are ever turned into texts, so a list of many thousands fills at once.

#include <QString>

class ListRows {
public:
    virtual ~ListRows() = default;
    // Counted once, when the list takes the source: a source keeps its rows.
    virtual int rows() const = 0;
    virtual QString text(int row, int column) const = 0;
};
