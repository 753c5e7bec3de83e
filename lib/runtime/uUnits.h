// Module lifecycle: long-lived services (modules) register during static initialisation with
// the names of the modules they need; the program entry calls Units->Run() once, which creates
// them in dependency order; at exit they are destroyed in reverse start order.
//
// Main thread only: registration, Run and destruction happen at start-up and exit with no
// other thread using the library, so the registry has no lock.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Base of every module. A module has no constructor of its own: the registry makes a
// zero-initialised instance, stores it in the module's global slot and then calls OnCreate.
// Derived modules override OnDestroy, never the destructor.
class TUnit {
 public:
  virtual void OnCreate() {}
  virtual void OnDestroy() {}
  // Calls OnDestroy, then releases the instance.
  void Free();

 protected:
  TUnit() = default;
  virtual ~TUnit() = default;
};

// A module class: its module name and a factory of zero-initialised instances.
struct TUnitClass {
  std::u16string_view Name;
  TUnit* (*Create)() = nullptr;
};

// The class of module T, which declares `static constexpr std::u16string_view UnitName`.
template <typename T>
TUnitClass UnitClassOf() {
  return {T::UnitName, []() -> TUnit* { return new T(); }};
}

// A reference to a module's global slot (a pointer variable of the module's own type).
struct TUnitSlot {
  void* Address = nullptr;
  TUnit* (*Get)(void* address) = nullptr;
  void (*Set)(void* address, TUnit* unit) = nullptr;

  TUnit* Value() const { return Get(Address); }
  void Assign(TUnit* unit) const { Set(Address, unit); }
};

template <typename T>
TUnitSlot UnitSlotOf(T*& slot) {
  return {&slot, [](void* address) -> TUnit* { return *static_cast<T**>(address); },
          [](void* address, TUnit* unit) { *static_cast<T**>(address) = static_cast<T*>(unit); }};
}

// One registration. Owns its needs list and, once Run has filled the slot, the module in it.
class TUnitToInitialize {
 public:
  TUnitToInitialize(TUnitClass unitClass, TUnitSlot globalVariable,
                    std::vector<std::u16string> unitsNeeded);
  // Destroys the module in the slot (its OnDestroy runs while the slot still refers to it),
  // then sets the slot to null. A slot that is still null destroys nothing.
  ~TUnitToInitialize();
  TUnitToInitialize(const TUnitToInitialize&) = delete;
  TUnitToInitialize& operator=(const TUnitToInitialize&) = delete;

  std::vector<std::u16string> UnitsNeeded;
  TUnitClass UnitClass;
  TUnitSlot GlobalVariable;
  std::u16string DebugName;
};

// The registry.
class TUnits {
 public:
  TUnits() = default;
  // Stops every module in reverse start order.
  ~TUnits();
  TUnits(const TUnits&) = delete;
  TUnits& operator=(const TUnits&) = delete;

  // Appends one registration; nothing is validated until the sort.
  void Add(TUnitClass unitClass, TUnitSlot globalVariable,
           std::initializer_list<std::u16string_view> unitsNeeded);
  template <typename T>
  void Add(T*& globalVariable, std::initializer_list<std::u16string_view> unitsNeeded) {
    Add(UnitClassOf<T>(), UnitSlotOf(globalVariable), unitsNeeded);
  }

  // Reorders the registrations into start order: a stable topological sort by repeated
  // first-fit. Raises Exception "Circular dependency" on a cycle or a need that no
  // registration carries, leaving the order as it was. Returns true.
  bool SortUnitsByDependencies();

  // Sorts, then creates each module in start order: instance into its slot, then OnCreate.
  // A failure of the sort leaves before any module exists; an exception from OnCreate leaves
  // at once (modules created so far are destroyed with the registry).
  void Run();

  // In registration order until Run, in start order after it.
  std::vector<std::unique_ptr<TUnitToInitialize>> UnitsToInitialize;
};

// The global registry; null until the first registration, destroyed at program exit.
extern TUnits* Units;

// Registers module T in the global registry, creating the registry on first use.
void UnitsAdd(TUnitClass unitClass, TUnitSlot globalVariable,
              std::initializer_list<std::u16string_view> unitsNeeded);
template <typename T>
void UnitsAdd(T*& globalVariable, std::initializer_list<std::u16string_view> unitsNeeded) {
  UnitsAdd(UnitClassOf<T>(), UnitSlotOf(globalVariable), unitsNeeded);
}

// Destroys the global registry and with it every module, in reverse start order. Runs by
// itself during static termination; a program may call it earlier.
void UnitsFinalize();
