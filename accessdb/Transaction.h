#pragma once

#include "SqlSession.h"

namespace accessdb {

// The one transaction type: begun here, or a part of the caller's when one is already open on
// the connection (which then stays the caller's to end). Rolled back unless committed.
class Transaction {
  public:
    Transaction(TransactionControl& control, TransactionKind kind);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit();

  private:
    TransactionControl& m_control;
    bool m_owner = false;
    bool m_done = false;
};

}  // namespace accessdb
