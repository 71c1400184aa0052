#pragma once

#include <string>
#include <string_view>
#include <vector>

// A connection string may hold a password in clear, and libpq quotes the strings it cannot
// read in its messages: no text about a connection may carry either.
namespace accessdb::postgres {

// The texts to keep out of every message about this connection: the string itself and any
// password it holds, as written and as libpq reads it (percent-decoded, unquoted). Found
// whether or not libpq can read the string.
std::vector<std::string> SecretsOf(std::string_view connectionString);

// The text with every secret replaced by "***".
std::string WithoutSecrets(std::string text, const std::vector<std::string>& secrets);

// libpq's message about a string it could not read, with each piece of that string it quotes
// ("...") left out, but for the names of libpq's own settings, which help to find the mistake.
std::string WithoutQuotedInput(std::string_view message);

}  // namespace accessdb::postgres
