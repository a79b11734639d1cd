// Reading and writing a module's properties, with their checks.
#include <unistd.h>

#include <boost/filesystem.hpp>

#include "orda_module.h"
#include "orda_private.h"
#include "orda_streamed_string.h"

namespace {

enum ValueKind { KindBool, KindLong, KindDouble, KindText, KindEnum, KindTextSelection };

const char* const kSetTypeErrors[] = {
    "Can't set boolean value for property ", "Can't set integer value for property ",
    "Can't set float value for property ",   "Can't set string value for property ",
    "Can't set enum values for property ",   "Can't set enum values for property ",
};

bool Accepts(int type, int kind)
{
    switch (kind) {
    case KindBool: return type == ORDA::BoolProperty;
    case KindLong: return type == ORDA::IntegerProperty || type == ORDA::EnumProperty;
    case KindDouble: return type == ORDA::FloatProperty;
    case KindText: return type == ORDA::StringProperty || type == ORDA::EnumProperty;
    default: return type == ORDA::EnumProperty;
    }
}

ORDAPropertyImplementation* Impl(ORDAProperty* property) { return static_cast<ORDAPropertyImplementation*>(property); }

void CheckPathExists(const ORDAPropertyImplementation* p, const ORDAStackedString<40>& text)
{
    const int subtype = p->definition.subtype;
    if (!(subtype & ORDA::PropertySubTypeMustExist) || text.Length() == 0) return;
    boost::system::error_code ec;
    const boost::filesystem::path path(text.Beginning());
    if (subtype & ORDA::PropertySubTypeFile) {
        if (!boost::filesystem::is_regular_file(path, ec) || access(text.Beginning(), R_OK) != 0) {
            ORDAStreamedString message;
            message << text << " does not exist or is not readable.";
            ORDA::ReportError(message.Beginning(), 0);
        }
    } else if (subtype & ORDA::PropertySubTypePath) {
        if (!boost::filesystem::is_directory(path, ec)) {
            ORDAStreamedString message;
            message << text << " is not a directory.";
            ORDA::ReportError(message.Beginning(), 0);
        }
    }
}

}

void ORDAModule::CheckAcceptedType(ORDAPropertyImplementation* p, int kind)
{
    if (Accepts(p->value.Type(), kind)) return;
    ORDAStreamedString message;
    message << kSetTypeErrors[kind] << p->fullName;
    Error(message.Beginning(), 1, ErrorGeneric);
}

// The typed value that reaches StoreValue; selectionOnly only for text on an enumeration.
template <typename V>
void ORDAModule::StoreValue(ORDAPropertyImplementation* p, const V& value, int selectionOnly)
{
    ORDAPropertyValue& stored = p->value;
    if constexpr (std::is_same_v<V, bool>) {
        stored.SetBool(value);
    } else if constexpr (std::is_same_v<V, long>) {
        if (stored.Type() != ORDA::EnumProperty) {
            stored.SetInteger(value);
            return;
        }
        ORDAEnumStruct* e = stored.Enum();
        const int n = e->Count();
        if (n == 0) {
            if (value != -1) {
                ORDAStreamedString message;
                message << "Index " << value << " not among possible values for enum property " << p->fullName
                        << " [-1]";
                Report(message.Beginning(), ORDA::Error, 0);
            }
            e->m_selected = -1;
        } else if (value < 0 || value >= n) {
            ORDAStreamedString message;
            message << "Index " << value << " not among possible values for enum property " << p->fullName << " [0";
            if (n > 1) message << ".." << (n - 1);
            message << "]";
            Report(message.Beginning(), ORDA::Error, 0);
        } else {
            e->m_selected = static_cast<int>(value);
        }
    } else if constexpr (std::is_same_v<V, double>) {
        stored.SetFloat(value);
    } else if constexpr (std::is_same_v<V, ORDAEnumStruct>) {
        stored.SetEnum(value);
    } else {
        if (selectionOnly >= 0) {
            stored.Enum()->FromString(value.Beginning(), selectionOnly != 0);
        } else if (stored.Type() == ORDA::StringProperty) {
            CheckPathExists(p, value);
            stored.SetString(value);
        } else {
            ORDAEnumStruct* e = stored.Enum();
            if (ORDAEnumStruct::IsEnumString(value.Beginning())) {
                e->FromString(value.Beginning(), p->definition.locked);
            } else if (e->Count() == 0) {
                ORDAStreamedString message;
                message << "No possible value for property " << p->fullName;
                Report(message.Beginning(), ORDA::Error, 0);
            } else if (!e->Select(value.Beginning())) {
                ORDAStreamedString message;
                message << value << " does not match any of the possible values for property " << p->fullName;
                Report(message.Beginning(), ORDA::Error, 0);
            }
        }
    }
}

template <typename V>
void ORDAModule::SetChecked(ORDAProperty* property, const V& value, int kind, int selectionOnly)
{
    ORDAPropertyImplementation* p = Impl(property);
    if (!p->definition.canBeModifiedAfterStart && (State() & ORDA::LivingState)) {
        ORDAStreamedString message;
        message << "Failure while trying to set value of property " << p->fullName
                << ". This property can't be modified after start.";
        Error(message.Beginning(), 1, ErrorGeneric);
    }
    if (p->definition.readOnly) {
        ORDAStreamedString message;
        message << "Failure while trying to set value of property " << p->fullName << ". This property is read only.";
        Error(message.Beginning(), 1, ErrorGeneric);
    }
    if (!p->IsMutable()) {
        ORDAStreamedString message;
        message << "Failure while trying to set value of property " << p->fullName << ". This property is not mutable.";
        Error(message.Beginning(), 1, ErrorGeneric);
    }
    CheckAcceptedType(p, kind);

    ORDAMutexGuard<ORDAMutex2> guard(m_propertyMutex);
    StoreValue(p, value, selectionOnly);
    p->definition.needs2BeInitialized = false;
    if (p->setHook) p->setHook(p);
    p->changed = true;
    p->changedEvent.Set();
}

template <typename V>
void ORDAModule::SetDirect(ORDAProperty* property, const V& value, int kind, int selectionOnly)
{
    ORDAPropertyImplementation* p = Impl(property);
    CheckAcceptedType(p, kind);
    ORDAMutexGuard<ORDAMutex2> guard(m_propertyMutex);
    StoreValue(p, value, selectionOnly);
    p->changed = true;
    p->changedEvent.Set();
}

void ORDAModule::Set(ORDAProperty* p, bool v) { SetChecked(p, v, KindBool, -1); }
void ORDAModule::Set(ORDAProperty* p, long v) { SetChecked(p, v, KindLong, -1); }
void ORDAModule::Set(ORDAProperty* p, double v) { SetChecked(p, v, KindDouble, -1); }
void ORDAModule::Set(ORDAProperty* p, const ORDAStackedString<40>& v) { SetChecked(p, v, KindText, -1); }
void ORDAModule::Set(ORDAProperty* p, const ORDAEnumStruct& v) { SetChecked(p, v, KindEnum, -1); }

void ORDAModule::Set(ORDAProperty* p, const ORDAStackedString<40>& v, int selectionOnly)
{
    SetChecked(p, v, KindTextSelection, selectionOnly ? 1 : 0);
    ReconfigureAfterSet();
}

void ORDAModule::DirectSet(ORDAProperty* p, bool v) { SetDirect(p, v, KindBool, -1); }
void ORDAModule::DirectSet(ORDAProperty* p, long v) { SetDirect(p, v, KindLong, -1); }
void ORDAModule::DirectSet(ORDAProperty* p, double v) { SetDirect(p, v, KindDouble, -1); }
void ORDAModule::DirectSet(ORDAProperty* p, const ORDAStackedString<40>& v) { SetDirect(p, v, KindText, -1); }
void ORDAModule::DirectSet(ORDAProperty* p, const ORDAEnumStruct& v) { SetDirect(p, v, KindEnum, -1); }

void ORDAModule::DirectSet(ORDAProperty* p, const ORDAStackedString<40>& v, int selectionOnly)
{
    SetDirect(p, v, KindTextSelection, selectionOnly ? 1 : 0);
}

// ---------------------------------------------------------------------------
namespace {
enum GetKind { GetBool, GetLong, GetDouble, GetText, GetEnum };
const char* const kGetErrors[] = {
    "Can't get boolean value from property ", "Can't get integer value from property ",
    "Can't get floating point value from property ", "Can't get string value from property ",
    "Can't get enum values from property ",
};
bool Readable(int type, int kind)
{
    switch (kind) {
    case GetBool: return type == ORDA::BoolProperty;
    case GetLong: return type == ORDA::IntegerProperty || type == ORDA::EnumProperty;
    case GetDouble: return type == ORDA::FloatProperty;
    case GetText: return type == ORDA::StringProperty || type == ORDA::EnumProperty;
    default: return type == ORDA::EnumProperty;
    }
}
}

// Reads the stored value (through the get hook) into a copy of the
// property's own type; Error when that type cannot give the kind asked for.
ORDAPropertyValue ORDAModule::ReadValue(ORDAProperty* property, int kind)
{
    ORDAPropertyImplementation* p = Impl(property);
    ORDAMutexGuard<ORDAMutex2> guard(m_propertyMutex);
    if (!Readable(p->value.Type(), kind)) {
        guard.unlock_mtx();
        ORDAStreamedString message;
        message << kGetErrors[kind] << p->fullName;
        Error(message.Beginning(), 1, ErrorGeneric);
    }
    ORDAPropertyValue copy(p->value);
    if (p->getHook) p->getHook(p, &copy);
    return copy;
}

void ORDAModule::Get(ORDAProperty* p, bool& v) { v = ReadValue(p, GetBool).Bool(); }

void ORDAModule::Get(ORDAProperty* p, long& v)
{
    const ORDAPropertyValue value = ReadValue(p, GetLong);
    if (value.Type() == ORDA::EnumProperty) v = value.Enum() ? value.Enum()->m_selected : -1;
    else v = value.Integer();
}

void ORDAModule::Get(ORDAProperty* p, double& v) { v = ReadValue(p, GetDouble).Float(); }

void ORDAModule::Get(ORDAProperty* p, ORDAStackedString<40>& v)
{
    const ORDAPropertyValue value = ReadValue(p, GetText);
    if (value.Type() == ORDA::EnumProperty) v = value.Enum() ? value.Enum()->SelectedValue() : ORDAStackedString<40>();
    else v = value.String() ? *value.String() : ORDAStackedString<40>();
}

void ORDAModule::Get(ORDAProperty* p, ORDAEnumStruct& v)
{
    const ORDAPropertyValue value = ReadValue(p, GetEnum);
    v = value.Enum() ? *value.Enum() : ORDAEnumStruct();
}

// ---------------------------------------------------------------------------
void ORDAModule::GetProperty(const char* name, bool& v)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    Get(Property(name), v);
}

void ORDAModule::GetProperty(const char* name, long& v)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    Get(Property(name), v);
}

void ORDAModule::GetProperty(const char* name, ORDAStackedString<40>& v)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    Get(Property(name), v);
}

void ORDAModule::GetProperty(const char* name, ORDAEnumStruct& v)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    Get(Property(name), v);
}

bool ORDAModule::GetBoolProperty(const char* name)
{
    bool v = false;
    GetProperty(name, v);
    return v;
}

long ORDAModule::GetIntegerProperty(const char* name)
{
    long v = 0;
    GetProperty(name, v);
    return v;
}

ORDAStackedString<40> ORDAModule::GetStringProperty(const char* name)
{
    ORDAStackedString<40> v;
    GetProperty(name, v);
    return v;
}

ORDAEnumStruct ORDAModule::GetEnumProperty(const char* name)
{
    ORDAEnumStruct v;
    GetProperty(name, v);
    return v;
}
