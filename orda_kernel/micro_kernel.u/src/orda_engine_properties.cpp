#include "orda_engine_properties.h"

#include "orda_module.h"
#include "orda_private.h"
#include "orda_streamed_string.h"

bool ORDA::GetBoolProperty(const char* name, bool* found) { return ORDAPrivate::kernel->GetBoolProperty(name, found); }

int ORDA::GetIntegerProperty(const char* name, bool* found)
{
    return ORDAPrivate::kernel->GetIntegerProperty(name, found);
}

double ORDA::GetFloatProperty(const char* name, bool* found)
{
    return ORDAPrivate::kernel->GetFloatProperty(name, found);
}

namespace {

// Unlocks the engine's property table on every exit.
struct PropertyTableLock {
    PropertyTableLock() { ORDAPrivate::kernel->LockPropertyTable(); }
    ~PropertyTableLock() { ORDAPrivate::kernel->UnlockPropertyTable(); }
};

template <typename Result, typename Read>
Result ReadEngineProperty(const char* name, bool* found, bool enumOnly, const char* typeError, Read read)
{
    try {
        PropertyTableLock lock;
        ORDAProperty* property = ORDAPrivate::kernel->Property(name);
        if (!property) {
            if (found) {
                *found = false;
                return Result();
            }
            ORDAStreamedString message;
            message << "Can't get value of property " << name << ". The symbol is undefined.";
            ORDAPrivate::KernelError(message.Beginning(), 1);
        }
        const int type = property->Type();
        if (type != ORDA::EnumProperty && (enumOnly || type != ORDA::StringProperty)) {
            if (found) {
                *found = false;
                return Result();
            }
            ORDAStreamedString message;
            message << typeError << name << (enumOnly ? ". It is not an enum." : ". It is not a string or an enum.");
            ORDAPrivate::KernelError(message.Beginning(), 1);
        }
        Result result;
        ORDAModule* owner = property->Owner();
        if (owner) {
            ORDAMutexGuard<ORDAMutex2> state(owner->m_stateMutex);
            ORDAMutexGuard<ORDAMutex2> values(owner->m_propertyMutex);
            result = read(property);
        } else {
            result = read(property);
        }
        if (found) *found = true;
        return result;
    } catch (...) {
        if (found) {
            *found = false;
            return Result();
        }
        throw;
    }
}

}

ORDAStackedString<40> ORDA::GetStringProperty(const char* name, bool* found)
{
    return ReadEngineProperty<ORDAStackedString<40>>(name, found, false, "Can't get string value of property ",
                                                     [](ORDAProperty* p) {
                                                         ORDAStackedString<40> text;
                                                         p->Get(text);
                                                         return text;
                                                     });
}

ORDAEnumStruct ORDA::GetEnumsProperty(const char* name, bool* found)
{
    return ReadEngineProperty<ORDAEnumStruct>(name, found, true, "Can't get string value of property ",
                                              [](ORDAProperty* p) {
                                                  ORDAEnumStruct e;
                                                  p->Get(e);
                                                  return e;
                                              });
}
