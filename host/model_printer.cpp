#include "model_printer.h"

#include <cstdio>

#include "orda_definitions.h"
#include "orda_property_value.h"
#include "orda_type_codes.h"

namespace ordavix_host {

namespace {
const char* CodeName(ORDATypeInfoValue code)
{
    switch (code) {
    case ORDA::NoType: return "NoType";
    case ORDA::Structure: return "Structure";
    case ORDA::Integer32: return "Integer32";
    case ORDA::Float64: return "Float64";
    case ORDA::TextAscii: return "TextAscii";
    case ORDA::TextUnicode: return "TextUnicode";
    case ORDA::IplImage: return "IplImage";
    case ORDA::ORDAImage: return "ORDAImage";
    case ORDA::CANFrame: return "CANFrame";
    case ORDA::Matrix: return "Matrix";
    case ORDA::RealObject: return "RealObject";
    case ORDA::DrawingObject: return "DrawingObject";
    case ORDA::Triangles3D: return "Triangles3D";
    case ORDA::Stream8: return "Stream8";
    case ORDA::Stream16: return "Stream16";
    case ORDA::Stream32: return "Stream32";
    case ORDA::Integer64: return "Integer64";
    case ORDA::Float32: return "Float32";
    case ORDA::AudioSignal: return "AudioSignal";
    case ORDA::DynamicStructure: return "DynamicStructure";
    case ORDA::CANFDFrame: return "CANFDFrame";
    case ORDA::Integer8: return "Integer8";
    case ORDA::Integer16: return "Integer16";
    case ORDA::UnsignedInteger64: return "UnsignedInteger64";
    case ORDA::CustomType: return "CustomType";
    case ORDA::CANUniFrame: return "CANUniFrame";
    default: return nullptr;
    }
}

std::string CountText(std::uint32_t count)
{
    return count == ORDA::AllEntries ? std::string("all") : std::to_string(count);
}

std::string SubtypeText(int subtype)
{
    static const struct { int bit; const char* name; } names[] = {
        {ORDA::PropertySubTypeTime, "time"},       {ORDA::PropertySubTypeCode, "code"},
        {ORDA::PropertySubTypeColor, "color"},     {ORDA::PropertySubTypeHexa, "hexa"},
        {ORDA::PropertySubTypeFile, "file"},       {ORDA::PropertySubTypePath, "path"},
        {ORDA::PropertySubTypeMustExist, "must-exist"}, {ORDA::PropertySubTypeHidden, "hidden"},
        {ORDA::PropertySubTypeBeginSubSection, "begin-section"},
        {ORDA::PropertySubTypeEndSubSection, "end-section"},
    };
    std::string text;
    for (const auto& n : names)
        if (subtype & n.bit) text += (text.empty() ? "" : "|") + std::string(n.name);
    return text.empty() ? "none" : text;
}

const char* YesNo(bool b) { return b ? "yes" : "no"; }

std::string DefaultText(const ORDAPropertyValue* v)
{
    if (!v) return "(none)";
    switch (v->Type()) {
    case ORDA::BoolProperty: return std::string("bool ") + (v->Bool() ? "true" : "false");
    case ORDA::IntegerProperty: return "integer " + std::to_string(v->Integer());
    case ORDA::FloatProperty: {
        char text[32];
        std::snprintf(text, sizeof text, "%.10g", v->Float());
        return std::string("float ") + text;
    }
    case ORDA::StringProperty: return "string \"" + std::string(v->String() ? v->String()->Beginning() : "") + "\"";
    case ORDA::EnumProperty: return "enum " + std::string(v->Enum() ? v->Enum()->ToString().Beginning() : "0|-1");
    default: return "?";
    }
}
}

std::string TypeWordText(ORDATypeInfoValue value)
{
    const ORDATypeInfoValue code = value & ORDA::TypeMask;
    std::string text;
    if (const char* name = CodeName(code)) {
        text = name;
    } else {
        char hex[24];
        std::snprintf(hex, sizeof hex, "0x%llx", static_cast<unsigned long long>(code));
        text = hex;
    }
    static const struct { ORDATypeInfoValue flag; const char* name; } flags[] = {
        {ORDA::VectorFlag, "Vector"},         {ORDA::FrequencyFlag, "Frequency"},
        {ORDA::QualityFlag, "Quality"},       {ORDA::MiscFlag, "Misc"},
        {ORDA::IgnoreNameFlag, "IgnoreName"}, {ORDA::IgnoreUnitFlag, "IgnoreUnit"},
    };
    for (const auto& f : flags)
        if (value & f.flag) text += "|" + std::string(f.name);
    return text;
}

std::string ReaderTypeText(int readerType)
{
    switch (readerType) {
    case 0: return "FifoReader";
    case 1: return "NeverSkippingReader";
    case 2: return "LastOrNextReader";
    case 3: return "Wait4NextReader";
    case 4: return "SamplingReader";
    default: return "reader " + std::to_string(readerType);
    }
}

void PrintModelLine(std::ostream& out, const ORDAComponentDefinition& model)
{
    out << (model.name ? model.name : "(unnamed)") << " " << (model.version ? model.version : "?") << "\n";
}

void PrintModelTables(std::ostream& out, const ORDAComponentDefinition& m)
{
    out << "model " << (m.name ? m.name : "(unnamed)") << " version " << (m.version ? m.version : "?") << "\n";
    out << "  priority " << m.priority << ", threading "
        << ((m.kind & ORDA::Threaded) && (m.kind & ORDA::Sequential) ? "threaded|sequential"
            : (m.kind & ORDA::Threaded)                              ? "threaded"
            : (m.kind & ORDA::Sequential)                            ? "sequential"
                                                                     : "none")
        << ", threaded by default " << YesNo(m.threaded) << ", instances "
        << (m.maxNumberOfInstances == 0 ? std::string("unlimited") : std::to_string(m.maxNumberOfInstances))
        << "\n";

    out << "  inputs (created at construction: " << CountText(m.nbInputs) << ")\n";
    int n = 0;
    for (const ORDAInputDefinition* i = m.inputs; i && i->name; ++i, ++n)
        out << "    " << i->name << "  reader " << ReaderTypeText(i->readerType) << "  subsampling "
            << i->subsampling << (i->typeFilter ? "" : "  (any type)") << "\n";
    if (n == 0) out << "    (none)\n";

    out << "  outputs (created at construction: " << CountText(m.nbOutputs) << ")\n";
    n = 0;
    for (const ORDAOutputDefinition* o = m.outputs; o && o->name; ++o, ++n)
        out << "    " << o->name << "  type " << TypeWordText(o->type.value) << "  name \""
            << (o->type.Name() ? o->type.Name() : "") << "\"  unit \"" << (o->type.Unit() ? o->type.Unit() : "")
            << "\"  size " << o->size << "  fifo " << o->fifoSize << "  subsampling " << o->subsampling
            << "  shareable " << YesNo(o->shareable != 0) << "\n";
    if (n == 0) out << "    (none)\n";

    out << "  properties (created at construction: " << CountText(m.nbProperties) << ")\n";
    n = 0;
    for (const ORDAPropertyDefinition* p = m.properties; p && p->name; ++p, ++n)
        out << "    " << p->name << "  " << DefaultText(p->value) << "  unit \"" << (p->unit ? p->unit : "")
            << "\"  needs init "
            << YesNo(p->needs2BeInitialized) << "  modifiable after start " << YesNo(p->canBeModifiedAfterStart)
            << "  read-only " << YesNo(p->readOnly) << "  locked " << YesNo(p->locked) << "  subtype "
            << SubtypeText(p->subtype) << "\n";
    if (n == 0) out << "    (none)\n";

    out << "  actions (created at construction: " << CountText(m.nbActions) << ")\n";
    n = 0;
    for (const ORDAActionDefinition* a = m.actions; a && a->name; ++a, ++n)
        out << "    " << a->name << "  allowed when dead " << YesNo(a->allowedWhenComponentDead) << "\n";
    if (n == 0) out << "    (none)\n";
}

}
