// Module lifecycle.
#include "lib/runtime/uUnits.h"

#include <algorithm>

#include "lib/values/uMiscLean.h"

TUnits* Units = nullptr;

namespace {

// Destroys the global registry during static termination. Constructed at the first
// registration, so it is destroyed after everything constructed later.
struct TUnitsFinalizer {
  ~TUnitsFinalizer() { UnitsFinalize(); }
};

}  // namespace

void TUnit::Free() {
  OnDestroy();
  delete this;
}

TUnitToInitialize::TUnitToInitialize(TUnitClass unitClass, TUnitSlot globalVariable,
                                     std::vector<std::u16string> unitsNeeded)
    : UnitsNeeded(std::move(unitsNeeded)),
      UnitClass(unitClass),
      GlobalVariable(globalVariable),
      DebugName(unitClass.Name) {}

TUnitToInitialize::~TUnitToInitialize() {
  UnitsNeeded.clear();
  if (TUnit* unit = GlobalVariable.Value()) {
    unit->Free();
    GlobalVariable.Assign(nullptr);
  }
}

TUnits::~TUnits() {
  while (!UnitsToInitialize.empty()) UnitsToInitialize.pop_back();
}

void TUnits::Add(TUnitClass unitClass, TUnitSlot globalVariable,
                 std::initializer_list<std::u16string_view> unitsNeeded) {
  std::vector<std::u16string> needs(unitsNeeded.begin(), unitsNeeded.end());
  UnitsToInitialize.push_back(
      std::make_unique<TUnitToInitialize>(unitClass, globalVariable, std::move(needs)));
}

bool TUnits::SortUnitsByDependencies() {
  // The order is worked out on indexes and applied only when every registration has a place,
  // so a failure leaves the registrations as they were.
  std::vector<TUnitToInitialize*> remaining;
  for (const auto& entry : UnitsToInitialize) remaining.push_back(entry.get());
  std::vector<TUnitToInitialize*> sorted;

  auto isStarted = [&sorted](const std::u16string& name) {
    return std::any_of(sorted.begin(), sorted.end(),
                       [&name](const TUnitToInitialize* entry) { return entry->UnitClass.Name == name; });
  };
  while (!remaining.empty()) {
    auto ready = std::find_if(remaining.begin(), remaining.end(), [&](const TUnitToInitialize* entry) {
      return std::all_of(entry->UnitsNeeded.begin(), entry->UnitsNeeded.end(), isStarted);
    });
    if (ready == remaining.end()) throw Exception(u"Circular dependency");
    sorted.push_back(*ready);
    remaining.erase(ready);
  }

  std::vector<std::unique_ptr<TUnitToInitialize>> reordered;
  for (TUnitToInitialize* entry : sorted) {
    auto owner = std::find_if(UnitsToInitialize.begin(), UnitsToInitialize.end(),
                              [entry](const auto& candidate) { return candidate.get() == entry; });
    reordered.push_back(std::move(*owner));
  }
  UnitsToInitialize = std::move(reordered);
  return true;
}

void TUnits::Run() {
  SortUnitsByDependencies();
  for (auto& entry : UnitsToInitialize) {
    TUnit* unit = entry->UnitClass.Create();
    entry->GlobalVariable.Assign(unit);
    unit->OnCreate();
  }
}

void UnitsAdd(TUnitClass unitClass, TUnitSlot globalVariable,
              std::initializer_list<std::u16string_view> unitsNeeded) {
  static TUnitsFinalizer finalizer;
  if (Units == nullptr) Units = new TUnits();
  Units->Add(unitClass, globalVariable, unitsNeeded);
}

void UnitsFinalize() {
  delete Units;
  Units = nullptr;
}
