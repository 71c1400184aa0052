// The console's writes meet the controller's appends on one file: the controller opens its
// own connection per card and appends, as fast as it can, while the administrator saves and
// deletes. Nothing may be lost and no "database is locked" may reach either side.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "ConsoleHarness.h"
#include "accessdb/DatabaseError.h"

namespace mireval::testing {
namespace {

const char* kEdited = "11111111";
const char* kPassing = "22222222";

class Controller {
  public:
    explicit Controller(std::filesystem::path file) : m_file(std::move(file)) {
        m_thread = std::thread([this] { Run(); });
    }
    ~Controller() { Stop(); }

    void Stop() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    // From the next round on; returns once the round in flight is over.
    void AlsoAppendFor(bool edited) {
        m_appendEdited = edited;
        const int now = m_rounds;
        while (m_rounds < now + 2 && !m_stop) {
            std::this_thread::yield();
        }
    }
    int Appended(const std::string& dni) {
        std::lock_guard lock(m_mutex);
        return dni == kEdited ? m_editedCount : m_passingCount;
    }
    std::vector<std::string> Failures() {
        std::lock_guard lock(m_mutex);
        return m_failures;
    }

  private:
    void Run() {
        int second = 0;
        while (!m_stop) {
            const bool edited = m_appendEdited && second % 2 == 0;
            const std::string dni = edited ? kEdited : kPassing;
            char hora[16];
            std::snprintf(hora, sizeof hora, "10:%02d:%02d", (second / 60) % 60, second % 60);
            ++second;
            try {
                accessdb::Connection db =
                    accessdb::Connection::Open(m_file, accessdb::OpenMode::ExistingOnly);
                db.AppendAccess({dni, "15/03/2026", hora, "1"});
                std::lock_guard lock(m_mutex);
                ++(edited ? m_editedCount : m_passingCount);
            } catch (const accessdb::DatabaseError& error) {
                std::lock_guard lock(m_mutex);
                m_failures.push_back(error.Description());
            }
            ++m_rounds;
        }
    }

    std::filesystem::path m_file;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_appendEdited{false};
    std::atomic<int> m_rounds{0};
    std::mutex m_mutex;
    int m_editedCount = 0;
    int m_passingCount = 0;
    std::vector<std::string> m_failures;
    std::thread m_thread;
};

TEST(Concurrency, SavesAndDeletionsWhileTheControllerAppendsLoseNothing) {
    Console console;
    console.file.AddStudent(Student(kEdited, "Ana", "Ruiz"));
    console.file.AddStudent(Student(kPassing, "Luis", "Mora", "", "1"));
    Controller controller(console.file.Path());

    // Saves of a student who is passing doors at the same moment.
    controller.AlsoAppendFor(true);
    for (int round = 0; round < 15; ++round) {
        console.Click(1027);
        console.Search(kEdited);
        console.Click(1032);
        console.Click(1048 + round % 8);
        console.Click(1031);
    }
    controller.AlsoAppendFor(false);
    const int editedAppends = controller.Appended(kEdited);
    EXPECT_GT(editedAppends, 0);
    EXPECT_EQ(static_cast<int>(console.file.Accesses(kEdited).size()), editedAppends);

    // History deletions and finally the record's deletion while the other student passes.
    for (int round = 0; round < 10; ++round) {
        console.file.AddAccess(kEdited, "16/03/2026", "09:00:00", "2");
        console.Click(1027);
        console.Search(kEdited);
        console.messages.AnswerNext(true);
        console.Click(1029);
        EXPECT_TRUE(console.file.Accesses(kEdited).empty());
    }
    console.messages.AnswerNext(true);
    console.Click(1030);
    EXPECT_FALSE(console.file.Student(kEdited));
    controller.Stop();

    EXPECT_EQ(controller.Failures(), std::vector<std::string>{});
    EXPECT_GT(controller.Appended(kPassing), 0);
    EXPECT_EQ(static_cast<int>(console.file.Accesses(kPassing).size()),
              controller.Appended(kPassing));
    const std::set<std::string> expected = {
        "Usted ha pulsado [Modificar Datos].\nSi desea cambiar el estado de este registro, "
        "realice dichos cambios y pulse [GUARDAR].\nSi no desea guardar los cambios pulse "
        "[CANCELAR].",
        "Está usted seguro de querer eliminar el historial de accesos de este usuario manera "
        "permanente",
        "Está usted seguro de querer eliminar este registro de manera permanente",
        "El registro con DNI= 11111111 ha sido eliminado permanentemente."};
    for (const std::string& text : console.messages.Texts()) {
        EXPECT_TRUE(expected.count(text)) << "unexpected box: " << text;
    }
}

}  // namespace
}  // namespace mireval::testing
