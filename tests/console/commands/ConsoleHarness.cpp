#include "ConsoleHarness.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "accessdb/DatabaseError.h"

namespace mireval::testing {

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mireval-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

accessdb::Connection DatabaseFile::Open() const {
    return accessdb::Connection::Open(Path(), accessdb::OpenMode::CreateIfMissing);
}

void DatabaseFile::AddStudent(const accessdb::StudentRecord& student) const {
    accessdb::Connection db = Open();
    db.AddStudent(student);
    db.SaveStudent(student);
}

void DatabaseFile::AddAccess(const std::string& dni, const std::string& fecha,
                             const std::string& hora, const std::string& puerta) const {
    Open().AppendAccess({dni, fecha, hora, puerta});
}

std::optional<accessdb::StudentRecord> DatabaseFile::Student(const std::string& dni) const {
    try {
        return Open().FindStudent(dni);
    } catch (const accessdb::DatabaseError& error) {
        if (error.IsNoCurrentRow()) {
            return std::nullopt;
        }
        throw;
    }
}

std::vector<accessdb::AccessRecord> DatabaseFile::Accesses(const std::string& dni) const {
    try {
        return Open().ListAccesses(dni);
    } catch (const accessdb::DatabaseError& error) {
        if (error.IsNoCurrentRow()) {
            return {};
        }
        throw;
    }
}

void DatabaseFile::Execute(const std::string& sql) const {
    accessdb::Connection db = Open();
    char* error = nullptr;
    if (sqlite3_exec(db.Handle(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error != nullptr ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(text);
    }
}

Console::Console()
    : file(folder.Path()), form(controls, messages, DatabaseLocation(folder.Path()), kTestYear) {
    form.FillDateLists();
    form.OnInitialUpdate();
}

Console::Console(const std::filesystem::path& otherFolder)
    : file(otherFolder), form(controls, messages, DatabaseLocation(otherFolder), kTestYear) {
    form.FillDateLists();
    form.OnInitialUpdate();
}

void Console::Click(int id) {
    ASSERT_TRUE(controls.IsWindowEnabled(id)) << "control " << id << " is disabled";
    switch (id) {
        case 1027:
            form.OnClearForm();
            break;
        case 1028:
            form.OnSearchRecord();
            break;
        case 1029:
            form.OnDeleteHistory();
            break;
        case 1030:
            form.OnDeleteRecord();
            break;
        case 1031:
            form.OnAddRecord();
            break;
        case 1032:
            form.OnModifyRecord();
            break;
        case 1011:
            controls.ToggleCheck(id);
            form.OnIntervalClicked();
            break;
        default:
            if (controls.Kind(id) == ControlKind::CheckBox) {
                controls.ToggleCheck(id);
            } else {
                FAIL() << "control " << id << " has no command";
            }
    }
}

void Console::Search(const std::string& dni) {
    TypeDni(dni);
    Click(1028);
}

std::map<int, bool> Console::EnabledStates() const {
    std::map<int, bool> states;
    for (int id : controls.Ids()) {
        states[id] = controls.IsWindowEnabled(id);
    }
    return states;
}

accessdb::StudentRecord Student(std::string dni, std::string nombre, std::string apellido1,
                                std::string apellido2, std::string puerta, std::string agosto,
                                std::string finDeSemana, std::string periodo, std::string fechaA,
                                std::string fechaB) {
    return {std::move(dni),    std::move(nombre), std::move(apellido1),   std::move(apellido2),
            std::move(puerta), std::move(agosto), std::move(finDeSemana), std::move(periodo),
            std::move(fechaA), std::move(fechaB)};
}

}  // namespace mireval::testing
