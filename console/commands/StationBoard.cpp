#include "StationBoard.h"

#include <algorithm>
#include <exception>

#include "AttemptBrowser.h"
#include "SourceFailure.h"
#include "accessdb/DatabaseError.h"

namespace mireval {

namespace {}  // namespace

StationBoard::StationBoard(StationSource& source, UserMessages& messages, Clock now)
    : m_source(source), m_messages(messages), m_now(std::move(now)) {}

bool StationBoard::Refresh(bool askedByUser) {
    std::vector<accessdb::StationReport> reports;
    const std::optional<std::string> failure =
        SourceFailure([&] { reports = m_source.ListStations(); });
    const WallSeconds now = m_now();
    if (!failure) {
        m_reports = std::move(reports);
        m_readAt = now;
    }
    ShowRows(now);
    if (failure) {
        m_summary =
            "No se pudo leer la lista de puestos a las " + TimeOfDay(now) + ": " + *failure +
            (m_readAt ? " Se muestra la leída a las " + TimeOfDay(*m_readAt) + "." : std::string());
        if (askedByUser) {
            m_messages.ShowMessage(*failure);
        }
        return false;
    }
    return true;
}

bool StationBoard::Forget(const std::string& name) {
    std::string question = "¿Olvidar el puesto «" + name +
                           "»? Su fila se borra de la lista. Hágalo solo con un puesto retirado: "
                           "uno que sigue funcionando vuelve a escribirla en su próximo aviso, "
                           "en un minuto.";
    const auto row = std::find_if(m_rows.begin(), m_rows.end(),
                                  [&](const StationRow& shown) { return shown.name == name; });
    if (row != m_rows.end() && !row->stale) {
        question += " Este puesto ha dado noticias hace poco: parece que sigue funcionando.";
    }
    if (!m_messages.Confirm(question)) {
        return false;
    }
    bool forgotten = false;
    if (const auto failure = SourceFailure([&] { forgotten = m_source.ForgetStation(name); })) {
        m_messages.ShowMessage(*failure);
        return false;
    }
    Refresh(false);
    return forgotten;
}

void StationBoard::ShowRows(WallSeconds now) {
    m_rows.clear();
    std::size_t stale = 0;
    for (const accessdb::StationReport& report : m_reports) {
        m_rows.push_back(RowOf(report, now));
        stale += m_rows.back().stale ? 1 : 0;
    }
    if (!m_readAt) {
        m_summary.clear();
        return;
    }
    const auto count = static_cast<std::int64_t>(m_rows.size());
    m_summary = count == 0 ? std::string("Ningún puesto ha dado noticias todavía")
                           : SpanishNumber(count) + (count == 1 ? " puesto" : " puestos");
    if (stale > 0) {
        m_summary += ", " + SpanishNumber(static_cast<std::int64_t>(stale)) + " sin noticias";
    }
    m_summary += "; lista leída a las " + TimeOfDay(*m_readAt) + ".";
}

}  // namespace mireval
