#include "Transaction.h"

namespace accessdb {

Transaction::Transaction(TransactionControl& control, TransactionKind kind) : m_control(control) {
    if (!m_control.InTransaction()) {
        m_control.Begin(kind);
        m_owner = true;
    }
}

Transaction::~Transaction() {
    if (m_owner && !m_done) {
        m_control.Rollback();
    }
}

void Transaction::Commit() {
    if (m_owner && !m_done) {
        m_control.Commit();
    }
    m_done = true;
}

}  // namespace accessdb
