#pragma once

#include "StorageEngine.h"

namespace accessdb {

// A bulk job's transaction: one the job began itself, or a part of the caller's when the caller
// has one open. Only a transaction the job began is committed or rolled back here; the caller's
// stays the caller's to end.
class OwnedTransaction {
  public:
    explicit OwnedTransaction(StorageEngine& engine) : m_engine(engine) {}
    ~OwnedTransaction() {
        if (m_owner && !m_done) {
            m_engine.RollbackWrite();
        }
    }
    OwnedTransaction(const OwnedTransaction&) = delete;
    OwnedTransaction& operator=(const OwnedTransaction&) = delete;

    void Commit() {
        if (m_owner) {
            m_engine.CommitWrite();
        }
        m_done = true;
    }

  protected:
    // Once the job's own transaction has begun, it is this object's to end.
    void Began() { m_owner = true; }

  private:
    StorageEngine& m_engine;
    bool m_owner = false;
    bool m_done = false;
};

}  // namespace accessdb
