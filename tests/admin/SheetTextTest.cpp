// How a sheet's bytes become fields: the encodings and separators spreadsheets save, quoting,
// line ends, and the line numbers the error texts give.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "admin/CsvReader.h"
#include "admin/CsvWriter.h"
#include "admin/TextDecoding.h"

using ::testing::HasSubstr;

using admin::SourceEncoding;

namespace {

// Each record as its line number and its fields.
using Records = std::vector<std::pair<std::size_t, std::vector<std::string>>>;
Records Of(const admin::CsvTable& table) {
    Records records;
    for (const auto& record : table.records) {
        records.emplace_back(record.line, record.fields);
    }
    return records;
}

}  // namespace

TEST(SheetText, TextIsReadAsUtf8WhenItIsAndAsWindows1252Otherwise) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string utf8;
        SourceEncoding encoding;
    };
    const Case cases[] = {
        {"UTF-8", "Nuño;Ibáñez\n", "Nuño;Ibáñez\n", SourceEncoding::Utf8},
        {"UTF-8 with its mark", "\xEF\xBB\xBFNuño\n", "Nuño\n", SourceEncoding::Utf8WithMark},
        {"Windows-1252",
         "Nu\xF1o;Ib\xE1\xF1"
         "ez\n",
         "Nuño;Ibáñez\n", SourceEncoding::Windows1252},
        // The code page's own letters above 0x7F that Latin-1 lacks.
        {"Windows-1252 euro and quotes",
         "\x80 \x93"
         "a\x94 \x8A",
         "€ “a” Š", SourceEncoding::Windows1252},
        // A mark followed by bytes that are not UTF-8: the file is 1252 after all.
        {"mark but not UTF-8", "\xEF\xBB\xBFNu\xF1o", "ï»¿Nuño", SourceEncoding::Windows1252},
        {"plain ASCII", "DNI;Nombre\r\n", "DNI;Nombre\r\n", SourceEncoding::Utf8},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const auto decoded = admin::DecodeText(test.bytes);
        ASSERT_TRUE(decoded.text.has_value()) << decoded.fault->reason;
        EXPECT_EQ(decoded.text->utf8, test.utf8);
        EXPECT_EQ(decoded.text->encoding, test.encoding);
    }
}

TEST(SheetText, BytesNoTextHoldsAreRefusedWithTheirLine) {
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t line;
        const char* reason;
    };
    const Case cases[] = {
        {"NUL byte", std::string("DNI\nuno\n\0dos", 13), 3, "bytes nulos"},
        {"control character", "DNI\r\n\x01\r\n", 2, "caracteres de control"},
        {"image", "\x89PNG\r\n\x1A\n", 2, "caracteres de control"},
        {"UTF-16",
         "\xFF\xFE"
         "D\0N\0I\0",
         1, "UTF-16"},
        // 0x81 is neither UTF-8 nor a letter of the code page.
        {"unassigned byte", "DNI\nNu\x81o\n", 2, "no es un archivo de texto"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const auto decoded = admin::DecodeText(test.bytes);
        ASSERT_TRUE(decoded.fault.has_value());
        EXPECT_FALSE(decoded.text.has_value());
        EXPECT_EQ(decoded.fault->line, test.line);
        EXPECT_THAT(decoded.fault->reason, HasSubstr(test.reason));
    }
}

TEST(SheetText, Utf8IsCheckedStrictly) {
    EXPECT_TRUE(admin::IsValidUtf8("Pérez € 𝄞"));
    EXPECT_FALSE(admin::IsValidUtf8("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(admin::IsValidUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(admin::IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(admin::IsValidUtf8("P\xC3"));             // cut short
}

TEST(SheetText, TheSeparatorIsTheOneTheHeaderUses) {
    EXPECT_EQ(admin::DetectSeparator("DNI;Nombre;Puerta\n1;a,b,c;2\n"), ';');
    EXPECT_EQ(admin::DetectSeparator("DNI,Nombre,Puerta\n1;2;3;4;5\n"), ',');
    // Commas inside quotes do not count.
    EXPECT_EQ(admin::DetectSeparator("\"a,b,c\";DNI\n"), ';');
    // Blank lines before the header are passed over.
    EXPECT_EQ(admin::DetectSeparator("\r\n\r\nDNI,Nombre\r\n"), ',');
}

TEST(SheetText, QuotedFieldsHoldSeparatorsQuotesAndLineBreaks) {
    const auto table = admin::ReadCsv(
        "DNI;Nombre;Puerta\r\n"
        "1;\"Ana; \"\"la Peque\"\"\";\"1,3,\"\r\n"
        "\r\n"
        "2;\"dos\nlíneas\";;\r\n"
        "3; 5/07/2014 ;\"\"\r\n");
    EXPECT_TRUE(table.faults.empty());
    // The record after a line break inside quotes keeps its own line number.
    EXPECT_EQ(Of(table), (Records{{1, {"DNI", "Nombre", "Puerta"}},
                                  {2, {"1", "Ana; \"la Peque\"", "1,3,"}},
                                  {4, {"2", "dos\nlíneas", "", ""}},
                                  {6, {"3", " 5/07/2014 ", ""}}}));
}

TEST(SheetText, LinesMayEndInCrLfLfOrCr) {
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(end == "\r" ? "CR" : end == "\n" ? "LF" : "CR LF");
        EXPECT_EQ(Of(admin::ReadCsv("a,b" + end + "c,d" + end + end + "e,f")),
                  (Records{{1, {"a", "b"}}, {2, {"c", "d"}}, {4, {"e", "f"}}}));
    }
}

TEST(SheetText, BrokenQuotingIsAFaultOfItsLineAndTheRestIsStillRead) {
    const auto table = admin::ReadCsv(
        "DNI;Nombre\n"
        "1;\"Ana\"x;\n"
        "2;Luis\n"
        "3;\"sin cerrar\n"
        "4;nunca leída\n");
    ASSERT_EQ(table.faults.size(), 2u);
    EXPECT_EQ(table.faults[0].line, 2u);
    EXPECT_THAT(table.faults[0].text, HasSubstr("después de las comillas"));
    EXPECT_EQ(table.faults[1].line, 4u);
    EXPECT_THAT(table.faults[1].text, HasSubstr("no se cierran"));
    EXPECT_EQ(Of(table), (Records{{1, {"DNI", "Nombre"}}, {3, {"2", "Luis"}}}));
}

TEST(SheetText, WrittenLinesReadBackToTheSameFields) {
    const std::vector<std::string> awkward = {
        "", " 5/07/2014", "Ana; María", "dice \"hola\"", "dos\r\nlíneas", "1,3,", "tab\t", "ñ"};
    for (const char separator : {';', ','}) {
        const std::string line = admin::CsvLine(awkward, separator);
        const auto table = admin::ReadCsv(line + line);
        ASSERT_EQ(table.records.size(), 2u);
        EXPECT_EQ(table.records[0].fields, awkward);
        EXPECT_EQ(table.records[1].line, 3u);  // the quoted line break counts
    }
}
