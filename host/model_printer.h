#pragma once
// Human-readable listings of component models.
#include <ostream>
#include <string>

#include "orda_types.h"

struct ORDAComponentDefinition;

namespace ordavix_host {

// "DynamicStructure", "Integer32|Vector", "0x12345678" for unknown codes.
std::string TypeWordText(ORDATypeInfoValue value);
std::string ReaderTypeText(int readerType);

void PrintModelLine(std::ostream& out, const ORDAComponentDefinition& model);
void PrintModelTables(std::ostream& out, const ORDAComponentDefinition& model);

}
