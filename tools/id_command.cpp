// zentrik id: the processor ID script gets, and how far to trust it, for people or as JSON.
#include <stdio.h>

#include "reader/reader.h"
#include "tools/command_table.h"
#include "tools/commands.h"
#include "tools/inventory_json.h"
#include "tools/inventory_text.h"
#include "tools/json_writer.h"
#include "tools/processor_trust.h"
#include "tools/text_report.h"

namespace {

constexpr char kIdHelp[] =
    "Usage: zentrik id [--table IN] [--format auto|rsmb|dump|raw|bare] [--json]\n"
    "\n"
    "Prints the processor ID that GetCPUSerialNumber returns to script, the socket it comes\n"
    "from, the same ID as Windows management tools show it (ProcessorId), and one warning line\n"
    "for each reason to doubt it. On x86, reading this machine's own table, the ID is also\n"
    "compared with what the processor itself reports (CPUID leaf 1). Where the table is damaged\n"
    "and only its first structures could be read, the first line says so.\n"
    "\n";

constexpr char kIdHelpTail[] =
    "  --json         print one JSON object instead: tableRead, tableError, smbiosVersion,\n"
    "                 walk, id, socket, socketHandle, signature, processorId, warnings (each\n"
    "                 with its kind), diagnostics\n";

void writeIdText(const ProcessorIdAssessment& a, const Inventory& inventory,
                 const DiagnosticList& diagnostics) {
  writeWalkText(stdout, inventory);
  if (a.id == nullptr) {
    fputs("ID: none (script gets an empty string)\n", stdout);
  } else {
    printf("ID: %s\n", a.id);
    writeValue(stdout, 0, "Socket", a.socket, false);
    writeValue(stdout, 0, "Signature", a.signature, false);
    if (a.processorId[0] != '\0') printf("ProcessorId, as Windows shows it: %s\n", a.processorId);
  }
  writeVersionText(stdout, inventory.version);
  printf("Note: %s\n", kProcessorIdNote);
  for (int i = 0; i < a.warningCount; ++i) printf("Warning: %s\n", a.warnings[i].text.text());
  diagnostics.writeText(stdout);
}

void writeIdJson(const ProcessorIdAssessment& a, const Inventory& inventory, const char* tableError,
                 const DiagnosticList& diagnostics) {
  JsonWriter json(stdout);
  json.open(nullptr, '{');
  json.boolean("tableRead", tableError == nullptr);
  json.text("tableError", tableError);
  writeVersionJson(json, inventory.version);
  writeWalkJson(json, inventory);
  json.text("id", a.id);
  json.text("socket", a.socket);
  if (a.socketHandle < 0) {
    json.null("socketHandle");
  } else {
    json.unsignedNumber("socketHandle", static_cast<unsigned long>(a.socketHandle));
  }
  json.text("signature", a.signature);
  json.text("processorId", a.processorId[0] != '\0' ? a.processorId : nullptr);
  json.open("warnings", '[');
  for (int i = 0; i < a.warningCount; ++i) {
    json.open(nullptr, '{');
    json.text("kind", a.warnings[i].kind);
    json.text("text", a.warnings[i].text.text());
    json.close('}');
  }
  json.close(']');
  diagnostics.writeJson(json);
  json.close('}');
  json.finish();
}

}  // namespace

int runId(int argc, char** argv) {
  Options options;
  int status = commandOptions("id", argc, argv, {true, true}, kIdHelp, kIdHelpTail, &options);
  if (status >= 0) return status;
  Examined examined;
  if ((status = examine(options, &examined)) >= 0) return status;
  const char* tableError = liveTableError();
  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  CpuidLeaf1 cpuid = {};
  const bool compare = options.table == nullptr && tableError == nullptr && readCpuidLeaf1(&cpuid);
  ProcessorIdAssessment assessment;
  assessProcessorId(processor->id, examined.inventory, tableError, compare ? &cpuid : nullptr,
                    &assessment);
  if (!assessment.complete()) {
    fputs("zentrik: not enough memory for the assessment\n", stderr);
    return kExitNoTable;
  }
  const DiagnosticList diagnostics = examined.diagnostics();
  if (options.json) {
    writeIdJson(assessment, examined.inventory, tableError, diagnostics);
  } else {
    writeIdText(assessment, examined.inventory, diagnostics);
  }
  if (!reportLiveFailure()) return kExitNoTable;
  return processor->id != nullptr ? kExitOk : kExitNoId;
}
