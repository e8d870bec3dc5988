// The records the reader holds, as a report for people and as JSON for programs. Both read the
// records through getRecord, so they show exactly what the package holds.
#pragma once

#include <cstdio>
#include <string>

// One section per record, each field labelled; list values one item per line, null fields
// "(not set)".
void writeTextReport(FILE* out);

// One JSON object: the load's own output, then every record with its field names as keys.
void writeJsonReport(FILE* out, const std::string& loadStdout, const std::string& loadStderr);

// The text as a JSON string literal, quotes included (RFC 8259; bytes above 0x7E as \u00XX, so
// the output stays valid UTF-8 whatever the table holds).
std::string jsonString(const std::string& text);
