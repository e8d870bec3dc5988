// zentrik id: the processor ID script gets, and how far to trust it, for people or as JSON.
#include <stdio.h>

#include "decoders/record_fields.h"
#include "reader/reader.h"
#include "tools/command_table.h"
#include "tools/commands.h"
#include "tools/inventory_json.h"
#include "tools/inventory_text.h"
#include "tools/json_writer.h"
#include "tools/processor_trust.h"
#include "tools/text_report.h"

namespace {

static_assert(kProcessorFields[0].member == &ProcessorRecord::socketDesignation,
              "the socket is the processor's first field");

constexpr char kIdHelp[] =
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
    writeValue(stdout, 0, "Socket", a.source != nullptr ? a.socketName.text() : nullptr, false);
    writeValue(stdout, 0, "Signature", a.signature, false);
    if (a.processorId[0] != '\0') printf("ProcessorId, as Windows shows it: %s\n", a.processorId);
  }
  writeVersionText(stdout, inventory.version);
  printf("Note: %s\n", kProcessorIdNote);
  for (int i = 0; i < a.warningCount; ++i) printf("Warning: %s\n", a.warnings[i].text.text());
  diagnostics.writeText(stdout);
}

void writeIdJson(const ProcessorIdAssessment& a, const Inventory& inventory, const char* tableError,
                 DiagnosticList& diagnostics) {
  JsonWriter json(stdout);
  json.open(nullptr, '{');
  json.boolean("tableRead", tableError == nullptr);
  json.text("tableError", tableError);
  writeVersionJson(json, inventory.version);
  writeWalkJson(json, inventory);
  json.text("id", a.id);
  json.text("socket", a.socket);
  if (a.source != nullptr && a.source->facts.socketDesignation.missing()) {
    const ProcessorFacts& p = a.source->facts;
    diagnostics.addBadStringNumber(a.source->position, kProcessorInformationType, p.handle,
                                   kProcessorFields[0].label, p.socketDesignation.number,
                                   p.stringsHeld);
  }
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
  int status =
      commandOptions("id", argc, argv, {true, true}, " [--json]", kIdHelp, kIdHelpTail, &options);
  if (status >= 0) return status;
  Examined examined(Inventory::Keep::kAllButMemory);
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
  DiagnosticList diagnostics(examined.load);
  if (options.json) {
    writeIdJson(assessment, examined.inventory, tableError, diagnostics);
  } else {
    writeIdText(assessment, examined.inventory, diagnostics);
  }
  if (!reportLiveFailure()) return kExitNoTable;
  return processor->id != nullptr ? kExitOk : kExitNoId;
}
