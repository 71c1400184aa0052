#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace accessdb {

// A student's columns read one at a time, as the controller's rules read them.
class StudentFields {
  public:
    virtual ~StudentFields() = default;
    // The column's text (NULL reads as ""). Throws DatabaseError 3021 when there is no row,
    // 3265 when the table has no such column.
    virtual std::string Field(std::string_view column) = 0;
};

// The result of a lookup: the row copied out of the statement (or no row), so that the
// connection is free for the writes that follow.
class StudentRow : public StudentFields {
  public:
    StudentRow() = default;  // no row
    explicit StudentRow(std::vector<std::pair<std::string, std::string>> columns);

    bool HasRow() const { return m_hasRow; }
    std::string Field(std::string_view column) override;

  private:
    bool m_hasRow = false;
    std::vector<std::pair<std::string, std::string>> m_columns;
};

}  // namespace accessdb
