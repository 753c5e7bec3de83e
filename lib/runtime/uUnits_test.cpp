// Module lifecycle: start order, slots during set-up and tear-down, failures.
#include "lib/runtime/uUnits.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "lib/diagnostics/uDebug.h"
#include "lib/runtime/uJobPool.h"
#include "lib/runtime/uThreadSync.h"
#include "lib/values/uMiscLean.h"

namespace {

// What the test modules saw, in order: "create X", "destroy X", with slot observations.
std::vector<std::string> GEvents;
TUnits* GRegistry = nullptr;
std::string GThrowOnCreate;

std::string NameOf(const TUnitToInitialize& entry) { return TextToUtf8(entry.DebugName); }

// A module that finds its own registration through its slot, so one class serves every name.
class TRecordingUnit : public TUnit {
 public:
  static constexpr std::u16string_view UnitName = u"Recording";

  void OnCreate() override {
    const TUnitToInitialize* own = OwnEntry();
    ASSERT_NE(own, nullptr) << "slot not filled before OnCreate";
    FName = NameOf(*own);
    FSlot = static_cast<TUnit**>(own->GlobalVariable.Address);
    std::string event = "create " + FName;
    // Every module started before this one is reachable through its slot.
    for (const auto& entry : GRegistry->UnitsToInitialize) {
      if (entry.get() == own) break;
      if (entry->GlobalVariable.Value() == nullptr) event += " (missing " + NameOf(*entry) + ")";
    }
    GEvents.push_back(event);
    if (GThrowOnCreate == NameOf(*own)) throw std::runtime_error("set-up failed");
  }

  void OnDestroy() override {
    // The registration is already out of the registry's list; its slot must still refer here.
    GEvents.push_back(FSlot != nullptr && *FSlot == this ? "destroy " + FName : "destroy with empty slot");
  }

 private:
  const TUnitToInitialize* OwnEntry() const {
    for (const auto& entry : GRegistry->UnitsToInitialize) {
      if (entry->GlobalVariable.Value() == this) return entry.get();
    }
    return nullptr;
  }

  std::string FName;
  TUnit** FSlot;
};

// A module whose fields must all read as zero when its set-up starts.
class TZeroCheck : public TUnit {
 public:
  static constexpr std::u16string_view UnitName = u"ZeroCheck";
  void OnCreate() override {
    GEvents.push_back(FCount == 0 && FPointer == nullptr && !FFlag ? "zero" : "not zero");
  }

 private:
  int FCount;
  void* FPointer;
  bool FFlag;
};

TUnit* CreateRecordingUnit() { return new TRecordingUnit(); }

struct TRegistration {
  const char16_t* Name;
  std::vector<std::u16string_view> Needs;
};

class UnitsTest : public testing::Test {
 protected:
  void SetUp() override {
    GEvents.clear();
    GThrowOnCreate.clear();
    FRegistry = std::make_unique<TUnits>();
    GRegistry = FRegistry.get();
    for (auto& slot : FSlots) slot = nullptr;
  }
  void TearDown() override {
    FRegistry.reset();
    GRegistry = nullptr;
  }

  void Register(const std::vector<TRegistration>& registrations) {
    size_t i = 0;
    for (const auto& r : registrations) {
      TUnitClass unitClass{r.Name, CreateRecordingUnit};
      FRegistry->Add(unitClass, UnitSlotOf(FSlots[i++]), {});
      FRegistry->UnitsToInitialize.back()->UnitsNeeded.assign(r.Needs.begin(), r.Needs.end());
    }
  }

  std::vector<std::string> Order() const {
    std::vector<std::string> names;
    for (const auto& entry : FRegistry->UnitsToInitialize) names.push_back(NameOf(*entry));
    return names;
  }

  std::unique_ptr<TUnits> FRegistry;
  TUnit* FSlots[8] = {};
};

TEST_F(UnitsTest, SortsIntoStartOrderOrFailsWithCircularDependency) {
  struct TCase {
    const char* Title;
    std::vector<TRegistration> Registrations;
    std::vector<std::string> StartOrder;  // empty: "Circular dependency"
  };
  const TCase cases[] = {
      {"the library's modules",
       {{u"uThreadSync", {}}, {u"uDebug", {u"uThreadSync", u"uJobPool"}}, {u"uJobPool", {u"uThreadSync"}}},
       {"uThreadSync", "uJobPool", "uDebug"}},
      {"a module without needs starts before an earlier one whose needs are unmet",
       {{u"A", {u"B"}}, {u"B", {}}},
       {"B", "A"}},
      {"ties go to the earlier registration, the search restarting at the head",
       {{u"C", {u"A"}}, {u"A", {}}, {u"B", {}}, {u"D", {u"B", u"C"}}},
       {"A", "C", "B", "D"}},
      {"no modules", {}, {}},
      {"a need that no module carries", {{u"A", {}}, {u"B", {u"Missing"}}}, {}},
      {"names match with case", {{u"A", {}}, {u"B", {u"a"}}}, {}},
      {"a cycle of two", {{u"A", {u"B"}}, {u"B", {u"A"}}}, {}},
      {"a module that needs itself", {{u"A", {u"A"}}}, {}},
      {"a cycle behind a good module", {{u"X", {}}, {u"A", {u"C"}}, {u"B", {u"A"}}, {u"C", {u"B"}}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    SetUp();
    Register(c.Registrations);
    const auto before = Order();
    const bool fails = c.StartOrder.empty() && !c.Registrations.empty();
    if (fails) {
      try {
        FRegistry->SortUnitsByDependencies();
        ADD_FAILURE() << "no exception";
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Circular dependency");
      }
      EXPECT_EQ(Order(), before) << "a failed sort changed the registrations";
    } else {
      EXPECT_TRUE(FRegistry->SortUnitsByDependencies());
      EXPECT_EQ(Order(), c.StartOrder);
    }
    TearDown();
  }
}

TEST_F(UnitsTest, RunCreatesInStartOrderAndDestructionStopsInReverse) {
  Register({{u"uThreadSync", {}}, {u"uDebug", {u"uThreadSync", u"uJobPool"}}, {u"uJobPool", {u"uThreadSync"}}});
  FRegistry->Run();
  EXPECT_EQ(GEvents, (std::vector<std::string>{"create uThreadSync", "create uJobPool", "create uDebug"}));
  for (int i = 0; i < 3; ++i) EXPECT_NE(FSlots[i], nullptr);

  GEvents.clear();
  FRegistry.reset();
  // Each OnDestroy still found its slot referring to itself; afterwards every slot is null.
  EXPECT_EQ(GEvents, (std::vector<std::string>{"destroy uDebug", "destroy uJobPool", "destroy uThreadSync"}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(FSlots[i], nullptr);
}

TEST_F(UnitsTest, FailedSortCreatesNoModule) {
  Register({{u"A", {}}, {u"B", {u"C"}}, {u"C", {u"B"}}});
  EXPECT_THROW(FRegistry->Run(), Exception);
  EXPECT_TRUE(GEvents.empty());
  for (auto* slot : FSlots) EXPECT_EQ(slot, nullptr);
}

TEST_F(UnitsTest, FailingSetUpStopsRunAndDestructionFreesWhatExists) {
  Register({{u"A", {}}, {u"B", {u"A"}}, {u"C", {u"B"}}});
  GThrowOnCreate = "B";
  EXPECT_THROW(FRegistry->Run(), std::runtime_error);
  EXPECT_EQ(GEvents, (std::vector<std::string>{"create A", "create B"}));
  EXPECT_NE(FSlots[1], nullptr) << "the failing module stays in its slot";
  EXPECT_EQ(FSlots[2], nullptr);

  GEvents.clear();
  FRegistry.reset();
  EXPECT_EQ(GEvents, (std::vector<std::string>{"destroy B", "destroy A"}));
}

TEST_F(UnitsTest, ModulesStartZeroInitialised) {
  static TZeroCheck* slot = nullptr;
  FRegistry->Add(slot, {});
  FRegistry->Run();
  EXPECT_EQ(GEvents, std::vector<std::string>{"zero"});
  EXPECT_EQ(FRegistry->UnitsToInitialize[0]->DebugName, u"ZeroCheck");
}

// The library's own registrations, made during static initialisation.
TEST(LibraryUnits, RegisteredInDocumentedOrderAndStartInDependencyOrder) {
  ASSERT_NE(Units, nullptr);
  std::vector<std::u16string> names;
  std::vector<std::vector<std::u16string>> needs;
  for (const auto& entry : Units->UnitsToInitialize) {
    names.push_back(entry->DebugName);
    needs.push_back(entry->UnitsNeeded);
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"uThreadSync", u"uDebug", u"uJobPool"}));
  EXPECT_EQ(needs, (std::vector<std::vector<std::u16string>>{
                       {}, {u"uThreadSync", u"uJobPool"}, {u"uThreadSync"}}));
  EXPECT_EQ(LockController, nullptr);
  EXPECT_EQ(JobPool, nullptr);
  EXPECT_EQ(Debug, nullptr);

  Units->Run();
  std::vector<std::u16string> started;
  for (const auto& entry : Units->UnitsToInitialize) started.push_back(entry->DebugName);
  EXPECT_EQ(started, (std::vector<std::u16string>{u"uThreadSync", u"uJobPool", u"uDebug"}));
  EXPECT_NE(LockController, nullptr);
  EXPECT_NE(JobPool, nullptr);
  EXPECT_NE(Debug, nullptr);

  UnitsFinalize();
  EXPECT_EQ(Units, nullptr);
  EXPECT_EQ(LockController, nullptr);
  EXPECT_EQ(JobPool, nullptr);
  EXPECT_EQ(Debug, nullptr);
}

}  // namespace
