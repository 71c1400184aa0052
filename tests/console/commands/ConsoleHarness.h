#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "FakeForm.h"
#include "accessdb/Connection.h"
#include "accessdb/Records.h"
#include "console/commands/RegistrationForm.h"

namespace mireval::testing {

inline constexpr int kTestYear = 2026;

// A folder of its own for each test, removed at the end.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

// The file as the other programs and tools see it: direct connections, for seeding and checks.
class DatabaseFile {
  public:
    explicit DatabaseFile(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    std::filesystem::path Path() const { return m_folder / "Alumnos.mdb"; }
    accessdb::Connection Open() const;

    // A student with the nine columns after DNI as given (empty texts keep the defaults).
    void AddStudent(const accessdb::StudentRecord& student) const;
    void AddAccess(const std::string& dni, const std::string& fecha, const std::string& hora,
                   const std::string& puerta) const;
    std::optional<accessdb::StudentRecord> Student(const std::string& dni) const;
    std::vector<accessdb::AccessRecord> Accesses(const std::string& dni) const;
    void Execute(const std::string& sql) const;

  private:
    std::filesystem::path m_folder;
};

// One console on its own folder: the form logic behind in-memory controls and scripted boxes.
class Console {
  public:
    Console();
    explicit Console(const std::filesystem::path& folder);

    // The user's part: click a button or check box by its identifier, only when it is enabled.
    void Click(int id);
    void TypeDni(const std::string& dni) { controls.Type(1005, dni); }
    void Search(const std::string& dni);  // types the DNI and clicks "Buscar Registro"

    std::map<int, bool> EnabledStates() const;

    TemporaryFolder folder;
    DatabaseFile file;
    TemplateControls controls;
    ScriptedMessages messages;
    RegistrationForm form;
};

accessdb::StudentRecord Student(std::string dni, std::string nombre, std::string apellido1,
                                std::string apellido2 = "", std::string puerta = "",
                                std::string agosto = "0", std::string finDeSemana = "0",
                                std::string periodo = "0", std::string fechaA = "",
                                std::string fechaB = "");

}  // namespace mireval::testing
