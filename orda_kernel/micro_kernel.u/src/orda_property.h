#pragma once
// A module's typed, named setting. The order of the virtual operations is
// part of the binary interface with the engine.
#include "orda_array.h"
#include "orda_definitions.h"
#include "orda_enum_struct.h"
#include "orda_event.h"
#include "orda_property_value.h"
#include "orda_string.h"

class ORDAModule;
class ORDAProperty;

// Called with the property and the value being read (a copy of the stored
// one, of the property's type); may change it.
typedef void (*ORDAPropertyGetCallback)(ORDAProperty* property, ORDAPropertyValue* value);
// Called with the property after a successful set.
typedef void (*ORDAPropertySetCallback)(ORDAProperty* property);

class ORDAProperty {
public:
    virtual long IntegerValue() = 0;
    virtual ORDAStackedString<40> StringValue() = 0;
    virtual bool BoolValue() = 0;
    virtual double FloatValue() = 0;
    virtual ORDAEnumStruct* EnumValues() = 0;
    virtual const ORDAStackedString<40>& Name() = 0;
    virtual const ORDAStackedString<40>& ShortName() = 0;
    virtual const char* Unit() = 0;
    virtual ORDAModule* Owner() = 0;
    virtual int Type() = 0;
    virtual int SubType() = 0;
    virtual bool IsMutable() = 0;
    virtual void SetMutable(bool mutableFlag) = 0;
    virtual bool PropertyChanged() = 0;
    virtual void AcknowledgePropertyChanged() = 0;
    virtual ORDAEvent* GetPropertyChangedEvent() = 0;
    virtual ORDAEvent& PropertyChangedEvent() = 0;
    virtual void Set(bool v) = 0;
    virtual void Set(long v) = 0;
    virtual void Set(int v) = 0;
    virtual void Set(double v) = 0;
    virtual void Set(const char* v) = 0;
    virtual void Set(const ORDAStackedString<40>& v) = 0;
    virtual void Set(ORDAEnumStruct v) = 0;
    virtual void Set(const ORDAStackedString<40>& v, int selectionOnly) = 0;
    virtual void Get(bool& v) = 0;
    virtual void Get(long& v) = 0;
    virtual void Get(int& v) = 0;
    virtual void Get(double& v) = 0;
    virtual void Get(ORDAStackedString<40>& v) = 0;
    virtual void Get(ORDAEnumStruct& v) = 0;
    virtual void Get(ORDAArray<ORDAStackedString<40>>& values, int& selected) = 0;
    virtual void SetSetCallback(ORDAPropertySetCallback callback) = 0;
    virtual void SetGetCallback(ORDAPropertyGetCallback callback) = 0;
    virtual void Lock(bool locked) = 0;
    virtual ~ORDAProperty() = default;
};

class ORDAPropertyImplementation : public ORDAProperty {
public:
    ORDAPropertyImplementation(const ORDAPropertyDefinition& definition, ORDAModule* owner, const char* fullName,
                               const char* shortName);

    long IntegerValue() override;
    ORDAStackedString<40> StringValue() override;
    bool BoolValue() override { return value.Bool(); }
    double FloatValue() override { return value.Float(); }
    ORDAEnumStruct* EnumValues() override { return value.Enum(); }
    const ORDAStackedString<40>& Name() override { return fullName; }
    const ORDAStackedString<40>& ShortName() override { return shortName; }
    const char* Unit() override { return definition.unit; }
    ORDAModule* Owner() override { return owner; }
    int Type() override { return value.Type(); }
    int SubType() override { return definition.subtype; }
    bool IsMutable() override { return !definition.readOnly && mutableFlag; }
    void SetMutable(bool m) override { mutableFlag = m; }
    bool PropertyChanged() override { return changed; }
    void AcknowledgePropertyChanged() override;
    ORDAEvent* GetPropertyChangedEvent() override { return &changedEvent; }
    ORDAEvent& PropertyChangedEvent() override { return changedEvent; }
    void Set(bool v) override;
    void Set(long v) override;
    void Set(int v) override { Set(static_cast<long>(v)); }
    void Set(double v) override;
    void Set(const char* v) override { Set(ORDAStackedString<40>(v)); }
    void Set(const ORDAStackedString<40>& v) override;
    void Set(ORDAEnumStruct v) override;
    void Set(const ORDAStackedString<40>& v, int selectionOnly) override;
    void Get(bool& v) override;
    void Get(long& v) override;
    void Get(int& v) override;
    void Get(double& v) override;
    void Get(ORDAStackedString<40>& v) override;
    void Get(ORDAEnumStruct& v) override;
    void Get(ORDAArray<ORDAStackedString<40>>& values, int& selected) override;
    void SetSetCallback(ORDAPropertySetCallback callback) override { setHook = callback; }
    void SetGetCallback(ORDAPropertyGetCallback callback) override { getHook = callback; }
    void Lock(bool locked) override { definition.locked = locked; }

    // Renames the module part of the full name (old name before the first ".").
    void Rename(const char* oldName, const char* newName);

    ORDAStackedString<40> fullName;
    ORDAStackedString<40> shortName;
    ORDAPropertyValue value;
    ORDAPropertyDefinitionFields definition;
    ORDAEvent changedEvent;
    ORDAModule* owner;
    ORDAPropertyGetCallback getHook = nullptr;
    ORDAPropertySetCallback setHook = nullptr;
    bool changed = true;
    bool mutableFlag = true;
};
