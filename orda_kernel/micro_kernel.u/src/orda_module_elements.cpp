// Creating, finding, renaming and removing a module's inputs, outputs,
// properties and actions, with the find-or-make of reconfiguration.
#include <cstring>

#include "orda_element_names.h"
#include "orda_module.h"
#include "orda_private.h"
#include "orda_regexp.h"
#include "orda_builtin_properties.h"
#include "orda_streamed_string.h"

namespace {

const char* const kStrictNamePattern = "^[a-zA-Z][a-zA-Z_0-9]*$";
const char* const kModuleOutputNamePattern = "^[a-zA-Z][a-zA-Z_0-9\\.:]*$";

bool NameMatches(const char* pattern, const char* name)
{
    ORDARegExp re(pattern);
    return re.exec(name, static_cast<int>(std::strlen(name)));
}

// Identity of the definition entry an element was made from.
const char* DefinitionName(ORDAInput* e) { return static_cast<ORDAInputImplementation*>(e)->definition.name; }
const char* DefinitionName(ORDAOutput* e) { return static_cast<ORDAOutputImplementation*>(e)->definition.name; }
const char* DefinitionName(ORDAProperty* e) { return static_cast<ORDAPropertyImplementation*>(e)->definition.name; }
const char* DefinitionName(ORDAAction* e) { return static_cast<ORDAActionImplementation*>(e)->definition.name; }

const ORDAStackedString<40>& FullNameOf(ORDAInput* e) { return e->Name(); }
const ORDAStackedString<40>& FullNameOf(ORDAOutput* e) { return e->Name(); }
const ORDAStackedString<40>& FullNameOf(ORDAProperty* e) { return e->Name(); }
const ORDAStackedString<40>& FullNameOf(ORDAAction* e) { return e->Name(); }

const char* ShortNameOf(ORDAInput* e) { return e->ShortName(); }
const char* ShortNameOf(ORDAOutput* e) { return static_cast<ORDAOutputImplementation*>(e)->shortName.Beginning(); }
const char* ShortNameOf(ORDAProperty* e) { return e->ShortName().Beginning(); }
const char* ShortNameOf(ORDAAction* e) { return e->ShortName().Beginning(); }

template <typename T>
int IndexOf(const ORDAList<T*>& list, typename ORDAList<T*>::Item* item)
{
    int i = 0;
    for (auto* it = list.First(); it; it = it->Next(), ++i)
        if (it == item) return i;
    return -1;
}

}

// Find-or-make of one kind of element. `make` builds the element (not yet
// linked); `remove` unlinks, deletes and tells the engine.
template <typename T, typename Make, typename Remove>
static T* FindOrMake(ORDAList<T*>& list, typename ORDAList<T*>::Item*& cursor, const ORDAStackedString<40>& fullName,
                     const char* definitionName, bool& isNew, Make make, Remove remove)
{
    isNew = true;
    if (cursor) {
        typename ORDAList<T*>::Item* found = nullptr;
        for (auto* it = cursor; it; it = it->Next())
            if (FullNameOf(it->value) == fullName) {
                found = it;
                break;
            }
        if (found) {
            // Elements skipped over were not declared again.
            while (cursor != found) {
                auto* next = cursor->Next();
                remove(cursor->value);
                cursor = next;
            }
            if (DefinitionName(found->value) == definitionName) {
                isNew = false;
                cursor = found->Next();
                return found->value;
            }
            T* fresh = make();
            auto* item = list.InsertAfter(found, fresh);
            remove(found->value);
            cursor = item->Next();
            return fresh;
        }
        T* fresh = make();
        list.InsertBefore(cursor, fresh);
        return fresh;
    }
    T* fresh = make();
    list.Append(fresh);
    return fresh;
}

// ---------------------------------------------------------------------------
ORDAInput* ORDAModule::NewInput(const ORDAInputDefinition& definition, const char* name)
{
    return MakeInput(definition, name);
}

ORDAOutput* ORDAModule::NewOutput(const ORDAOutputDefinition& definition, const char* name)
{
    return MakeOutput(definition, name, false, true);
}

namespace {
void RefuseWhileDying(ORDAModule* m, ORDAMutexGuard<ORDAMutex2>& guard)
{
    if (m->m_state & ORDA::DyingState) {
        guard.unlock_mtx();
        throw static_cast<int>(ORDA::ModuleDied);
    }
}
}

void ORDAModule::ValidateExplicitName(const char* name, const char* pattern, const char* what)
{
    if (!name || NameMatches(pattern, name)) return;
    ORDAStreamedString message;
    message << "Trying to create " << what << " with an invalid name: " << name;
    Error(message.Beginning(), 1, ErrorGeneric);
}

void ORDAModule::RefuseTakenName(const char* kind, const ORDAStackedString<40>& fullName)
{
    ORDAStreamedString message;
    message << "Can't create " << kind << " " << fullName << ". The symbol already exists.";
    Error(message.Beginning(), 1, ErrorGeneric);
    // Error never returns, but an override might forget to throw.
    throw static_cast<int>(ORDA::ErrorException);
}

ORDAInput* ORDAModule::MakeInput(const ORDAInputDefinition& definition, const char* name)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    RefuseWhileDying(this, guard);
    if (!definition.name) Error("Call to NewInput failed. Bad input definition.", 2, ErrorGeneric);
    ValidateExplicitName(name, kStrictNamePattern, "an input");
    const char* shortName = name ? name : definition.name;
    const ORDAStackedString<40> fullName = ORDAPrivate::FullName(Name(), shortName);

    bool isNew = false;
    ORDAInput* input = FindOrMake<ORDAInput>(
        m_inputs, m_inputCursor, fullName, definition.name, isNew,
        [&] {
            return new ORDAInputImplementation(definition, m_component, fullName.Beginning(), shortName);
        },
        [&](ORDAInput* old) { RemoveInputLocked(old); });
    if (!isNew) return input;

    if (!ORDAPrivate::kernel->RegisterInput(input)) {
        m_inputs.RemoveValue(input);
        delete input;
        RefuseTakenName("input", fullName);
    }
    m_registeredNames.Append(fullName);
    const auto& defs = ORDAPrivate::SpecialProperties();
    ORDAStackedString<40> special(shortName);
    special += ".subsampling";
    ORDAProperty* subsampling = NewSpecialProperty(defs.inputSubsampling, special.Beginning());
    DirectSet(subsampling, static_cast<long>(definition.subsampling));
    subsampling->SetSetCallback(&ORDAModule::SetInputSubsamplingProperty);
    special = shortName;
    special += ".readerType";
    ORDAProperty* readerType = NewSpecialProperty(defs.inputReaderType, special.Beginning());
    DirectSet(readerType, static_cast<long>(definition.readerType));
    readerType->SetSetCallback(&ORDAModule::SetInputReaderTypeProperty);
    return input;
}

ORDAOutput* ORDAModule::MakeOutput(const ORDAOutputDefinition& definition, const char* name, bool strictName,
                                   bool announce)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    RefuseWhileDying(this, guard);
    if (!definition.name) Error("Call to NewOutput failed. Bad output definition.", 2, ErrorGeneric);
    ValidateExplicitName(name, strictName ? kStrictNamePattern : kModuleOutputNamePattern, "an output");
    const char* shortName = name ? name : definition.name;
    const ORDAStackedString<40> fullName = ORDAPrivate::FullName(Name(), shortName);

    bool isNew = false;
    ORDAOutput* output = FindOrMake<ORDAOutput>(
        m_outputs, m_outputCursor, fullName, definition.name, isNew,
        [&] { return new ORDAOutputImplementation(definition, this, fullName.Beginning(), shortName); },
        [&](ORDAOutput* old) { RemoveOutputLocked(old); });
    if (!isNew) return output;

    if (!ORDAPrivate::kernel->RegisterOutput(output)) {
        m_outputs.RemoveValue(output);
        delete output;
        RefuseTakenName("output", fullName);
    }
    m_registeredNames.Append(fullName);
    const auto& defs = ORDAPrivate::SpecialProperties();
    struct Special {
        const ORDAPropertyDefinition& definition;
        const char* suffix;
        ORDAPropertySetCallback callback;
    };
    const Special specials[] = {
        {defs.outputSubsampling, ".subsampling", &ORDAModule::SetOutputSubsamplingProperty},
        {defs.outputFifoSize, ".fifosize", &ORDAModule::SetOutputFifoSizeProperty},
        {defs.outputPeriodic, ".periodic", &ORDAModule::SetOutputPeriodicProperty},
    };
    for (const Special& s : specials) {
        ORDAStackedString<40> special(shortName);
        special += s.suffix;
        ORDAProperty* p = NewSpecialProperty(s.definition, special.Beginning());
        if (s.callback == &ORDAModule::SetOutputSubsamplingProperty)
            DirectSet(p, static_cast<long>(definition.subsampling));
        else if (s.callback == &ORDAModule::SetOutputFifoSizeProperty)
            DirectSet(p, static_cast<long>(definition.fifoSize));
        p->SetSetCallback(s.callback);
    }
    if (announce) ORDAPrivate::kernel->AnnounceOutput(fullName.Beginning(), Name(), output, 0);
    return output;
}

ORDAProperty* ORDAModule::NewProperty(const ORDAPropertyDefinition& definition, const char* name)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    RefuseWhileDying(this, guard);
    if (!definition.name) Error("Call to NewProperty failed. Bad property definition.", 2, ErrorGeneric);
    ValidateExplicitName(name, kStrictNamePattern, "a property");
    const char* shortName = name ? name : definition.name;
    const ORDAStackedString<40> fullName = ORDAPrivate::FullName(Name(), shortName);

    bool isNew = false;
    ORDAProperty* property = FindOrMake<ORDAProperty>(
        m_properties, m_propertyCursor, fullName, definition.name, isNew,
        [&] { return new ORDAPropertyImplementation(definition, this, fullName.Beginning(), shortName); },
        [&](ORDAProperty* old) { RemovePropertyLocked(old); });
    if (!isNew) return property;

    if (!ORDAPrivate::kernel->RegisterProperty(property)) {
        m_properties.RemoveValue(property);
        delete property;
        RefuseTakenName("property", fullName);
    }
    m_registeredNames.Append(fullName);
    return property;
}

ORDAAction* ORDAModule::NewAction(const ORDAActionDefinition& definition, const char* name)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    RefuseWhileDying(this, guard);
    if (!definition.name) Error("Call to NewAction failed. Bad action definition.", 2, ErrorGeneric);
    ValidateExplicitName(name, kStrictNamePattern, "an action");
    const char* shortName = name ? name : definition.name;
    const ORDAStackedString<40> fullName = ORDAPrivate::FullName(Name(), shortName);

    bool isNew = false;
    ORDAActionImplementation* made = nullptr;
    ORDAAction* action = FindOrMake<ORDAAction>(
        m_actions, m_actionCursor, fullName, definition.name, isNew,
        [&] {
            made = new ORDAActionImplementation(definition, this, fullName.Beginning(), shortName, 0);
            return made;
        },
        [&](ORDAAction* old) { RemoveActionLocked(old); });
    if (!isNew) return action;
    made->index = IndexOf(m_actions, m_actions.Find(action));

    if (!ORDAPrivate::kernel->RegisterAction(action)) {
        m_actions.RemoveValue(action);
        delete action;
        RefuseTakenName("action", fullName);
    }
    m_registeredNames.Append(fullName);
    return action;
}

ORDAProperty* ORDAModule::NewSpecialProperty(const ORDAPropertyDefinition& definition, const char* name)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    const char* shortName = name ? name : definition.name;
    ORDAStackedString<40> fullName;
    if (shortName && shortName[0] == '\\') fullName = shortName + 1;
    else fullName = ORDAPrivate::FullName(Name(), shortName);
    auto* property = new ORDAPropertyImplementation(definition, this, fullName.Beginning(), shortName);
    if (!ORDAPrivate::kernel->RegisterProperty(property)) {
        delete property;
        RefuseTakenName("property", fullName);
    }
    m_properties.Prepend(property);
    ++m_nbSpecialProperties;
    m_registeredNames.Append(fullName);
    return property;
}

// ---------------------------------------------------------------------------
namespace {
template <typename T>
T* FindByShortName(const ORDAList<T*>& list, const char* shortName)
{
    if (!shortName) return nullptr;
    for (auto* it = list.First(); it; it = it->Next())
        if (std::strcmp(ShortNameOf(it->value), shortName) == 0) return it->value;
    return nullptr;
}

template <typename T>
T* FindByIndex(const ORDAList<T*>& list, int index)
{
    if (index < 0) return nullptr;
    int i = 0;
    for (auto* it = list.First(); it; it = it->Next(), ++i)
        if (i == index) return it->value;
    return nullptr;
}

template <typename T>
bool ExistsBeforeCursor(const ORDAList<T*>& list, typename ORDAList<T*>::Item* cursor, const char* shortName)
{
    if (!shortName) return false;
    for (auto* it = list.First(); it && it != cursor; it = it->Next())
        if (std::strcmp(ShortNameOf(it->value), shortName) == 0) return true;
    return false;
}
}

[[noreturn]] void ORDAModule::UnknownElement(const char* kind, const char* name)
{
    ORDAStreamedString message;
    message << "Trying to access unknown " << kind << " " << (name ? name : "") << " of " << Kind() << " " << Name();
    ORDAPrivate::KernelError(message.Beginning(), 1);
}

[[noreturn]] void ORDAModule::UnknownElement(const char* kind, int index)
{
    ORDAStreamedString message;
    message << "Trying to access unknown " << kind << " #" << index << " of " << Kind() << " " << Name();
    ORDAPrivate::KernelError(message.Beginning(), 1);
}

ORDAInput* ORDAModule::Input(const char* shortName)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    if (ORDAInput* e = FindByShortName(m_inputs, shortName)) return e;
    guard.unlock_mtx();
    UnknownElement("input", shortName);
}

ORDAInput* ORDAModule::Input(int index)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    if (ORDAInput* e = FindByIndex(m_inputs, index)) return e;
    guard.unlock_mtx();
    UnknownElement("input", index);
}

ORDAOutput* ORDAModule::Output(const char* shortName)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    if (ORDAOutput* e = FindByShortName(m_outputs, shortName)) return e;
    guard.unlock_mtx();
    UnknownElement("output", shortName);
}

ORDAOutput* ORDAModule::Output(int index)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    if (ORDAOutput* e = FindByIndex(m_outputs, index)) return e;
    guard.unlock_mtx();
    UnknownElement("output", index);
}

ORDAProperty* ORDAModule::Property(const char* shortName)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    if (ORDAProperty* e = FindByShortName(m_properties, shortName)) return e;
    guard.unlock_mtx();
    UnknownElement("property", shortName);
}

ORDAProperty* ORDAModule::Property(int index)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    if (index >= 0 && index < m_properties.Length() - m_nbSpecialProperties)
        if (ORDAProperty* e = FindByIndex(m_properties, m_nbSpecialProperties + index)) return e;
    guard.unlock_mtx();
    UnknownElement("property", index);
}

ORDAAction* ORDAModule::Action(const char* shortName)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    if (ORDAAction* e = FindByShortName(m_actions, shortName)) return e;
    guard.unlock_mtx();
    UnknownElement("action", shortName);
}

ORDAAction* ORDAModule::Action(int index)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    if (ORDAAction* e = FindByIndex(m_actions, index)) return e;
    guard.unlock_mtx();
    UnknownElement("action", index);
}

bool ORDAModule::HasInput(const char* n)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    return ExistsBeforeCursor(m_inputs, m_inputCursor, n);
}

bool ORDAModule::HasOutput(const char* n)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    return ExistsBeforeCursor(m_outputs, m_outputCursor, n);
}

bool ORDAModule::HasProperty(const char* n)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    return ExistsBeforeCursor(m_properties, m_propertyCursor, n);
}

bool ORDAModule::HasAction(const char* n)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    return ExistsBeforeCursor(m_actions, m_actionCursor, n);
}

int ORDAModule::NbInputs()
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    return m_inputs.Length();
}

int ORDAModule::NbOutputs()
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    return m_outputs.Length();
}

int ORDAModule::NbProperties()
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    return m_properties.Length() - m_nbSpecialProperties;
}

int ORDAModule::NbActions()
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    return m_actions.Length();
}

// ---------------------------------------------------------------------------
void ORDAModule::ForgetRegisteredName(const ORDAStackedString<40>& fullName)
{
    for (auto* n = m_registeredNames.First(); n; n = n->Next())
        if (n->value == fullName) {
            m_registeredNames.Remove(n);
            break;
        }
    ORDAPrivate::kernel->ForgetName(fullName.Beginning());
}

void ORDAModule::RemoveSpecialPropertiesOf(const ORDAStackedString<40>& elementFullName)
{
    // An element's special properties sit among the first m_nbSpecialProperties.
    ORDAStackedString<40> prefix(elementFullName);
    prefix += ".";
    int position = 0;
    for (auto* it = m_properties.First(); it && position < m_nbSpecialProperties;) {
        auto* next = it->Next();
        const ORDAStackedString<40>& name = it->value->Name();
        if (name.Length() > prefix.Length() && name.FindStr(prefix.Beginning(), 0) == 0 &&
            std::strchr(name.Beginning() + prefix.Length(), '.') == nullptr) {
            ORDAProperty* p = it->value;
            m_properties.Remove(it);
            --m_nbSpecialProperties;
            ForgetRegisteredName(p->Name());
            delete p;
        } else {
            ++position;
        }
        it = next;
    }
}

void ORDAModule::RemoveInputLocked(ORDAInput* input)
{
    auto* impl = static_cast<ORDAInputImplementation*>(input);
    if (impl->connectedOutput) ORDAPrivate::kernel->Detach(impl->connectedOutput, input);
    RemoveSpecialPropertiesOf(impl->fullName);
    const ORDAStackedString<40> fullName(impl->fullName);
    if (m_inputCursor && m_inputCursor->value == input) m_inputCursor = m_inputCursor->Next();
    m_inputs.RemoveValue(input);
    if (m_currentInput == input) m_currentInput = nullptr;
    delete input;
    ForgetRegisteredName(fullName);
    ORDAPrivate::kernel->ReleaseInput(fullName.Beginning());
}

void ORDAModule::RemoveOutputLocked(ORDAOutput* output)
{
    auto* impl = static_cast<ORDAOutputImplementation*>(output);
    while (auto* c = impl->connectedInputs.First()) {
        ORDAInput* reader = c->value;
        ORDAPrivate::kernel->Detach(output, reader);
        // An engine that did not unlink the reader must not make this loop endless.
        if (impl->connectedInputs.First() == c) impl->connectedInputs.Remove(c);
    }
    RemoveSpecialPropertiesOf(impl->fullName);
    const ORDAStackedString<40> fullName(impl->fullName);
    if (m_outputCursor && m_outputCursor->value == output) m_outputCursor = m_outputCursor->Next();
    m_outputs.RemoveValue(output);
    delete output;
    ForgetRegisteredName(fullName);
    ORDAPrivate::kernel->ReleaseOutput(fullName.Beginning());
}

void ORDAModule::RemovePropertyLocked(ORDAProperty* property)
{
    const ORDAStackedString<40> fullName(property->Name());
    if (m_propertyCursor && m_propertyCursor->value == property) m_propertyCursor = m_propertyCursor->Next();
    m_properties.RemoveValue(property);
    delete property;
    ForgetRegisteredName(fullName);
}

void ORDAModule::RemoveActionLocked(ORDAAction* action)
{
    const ORDAStackedString<40> fullName(action->Name());
    if (m_actionCursor && m_actionCursor->value == action) m_actionCursor = m_actionCursor->Next();
    m_actions.RemoveValue(action);
    delete action;
    ForgetRegisteredName(fullName);
}

void ORDAModule::RemoveInput(ORDAInput* input)
{
    ORDAPrivate::kernel->LockDiagram("Removing an input");
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        if (m_inputs.Find(input)) RemoveInputLocked(input);
    }
    ORDAPrivate::kernel->UnlockDiagram();
}

void ORDAModule::RemoveOutput(ORDAOutput* output)
{
    ORDAPrivate::kernel->LockDiagram("Removing an output");
    {
        ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
        if (m_outputs.Find(output)) RemoveOutputLocked(output);
    }
    ORDAPrivate::kernel->UnlockDiagram();
}

void ORDAModule::RemoveProperty(ORDAProperty* property)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    if (m_properties.Find(property)) RemovePropertyLocked(property);
}

void ORDAModule::RemoveAction(ORDAAction* action)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    if (m_actions.Find(action)) RemoveActionLocked(action);
}

void ORDAModule::DynamicConfirm()
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    m_inputCursor = nullptr;
    m_outputCursor = nullptr;
    m_propertyCursor = nullptr;
    m_actionCursor = nullptr;
}

void ORDAModule::Rename(const char* oldName, const char* newName)
{
    ORDAMutexGuard<ORDAMutex2> guard(m_stateMutex);
    for (auto* it = m_inputs.First(); it; it = it->Next())
        static_cast<ORDAInputImplementation*>(it->value)->Rename(oldName, newName);
    for (auto* it = m_outputs.First(); it; it = it->Next())
        static_cast<ORDAOutputImplementation*>(it->value)->Rename(oldName, newName);
    for (auto* it = m_properties.First(); it; it = it->Next())
        static_cast<ORDAPropertyImplementation*>(it->value)->Rename(oldName, newName);
    for (auto* it = m_actions.First(); it; it = it->Next())
        static_cast<ORDAActionImplementation*>(it->value)->Rename(oldName, newName);
    ORDAModuleBase::Rename(oldName, newName);
    if (!oldName) return;
    for (auto* n = m_registeredNames.First(); n; n = n->Next()) {
        if (n->value == oldName) n->value = newName;
        else ORDAPrivate::RenameModulePart(n->value, oldName, newName);
    }
}
