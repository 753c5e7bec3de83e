// The flexible array: storage with copy-on-write, key rules, lookups and the text forms.
#include "lib/values/uFlexArray.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "lib/platform/uPlatformText.h"
#include "lib/system/uMisc.h"
#include "lib/values/uMiscLean.h"

namespace {

constexpr size_t kKey = 0;
constexpr size_t kValue = 1;
// Below this count the storage holds exactly Count entries; from it on it grows by doubling.
constexpr int kExactStorageBelow = 32;

// Identical, or both not empty and equal with a-z folded to A-Z.
bool KeysMatch(std::u16string_view a, std::u16string_view b) {
  if (a == b) return true;
  return !a.empty() && !b.empty() && TextEqualsIgnoreCase(a, b);
}

// The key as it is stored: a text, or the empty value for no key.
TVariant KeyVariant(std::u16string_view key) { return key.empty() ? TVariant() : TVariant(key); }

size_t FindText(std::u16string_view text, std::u16string_view part, size_t from, bool ignoreCase) {
  if (!ignoreCase) return text.find(part, from);
  for (size_t i = from; i + part.size() <= text.size(); ++i) {
    if (TextEqualsIgnoreCase(text.substr(i, part.size()), part)) return i;
  }
  return std::u16string_view::npos;
}

std::u16string ReplaceText(std::u16string_view text, std::u16string_view oldPart,
                           std::u16string_view newPart, TReplaceFlags flags) {
  const bool all =
      (static_cast<unsigned>(flags) & static_cast<unsigned>(TReplaceFlags::ReplaceAll)) != 0;
  const bool ignoreCase =
      (static_cast<unsigned>(flags) & static_cast<unsigned>(TReplaceFlags::IgnoreCase)) != 0;
  if (oldPart.empty()) return std::u16string(text);
  std::u16string result;
  size_t from = 0;
  for (;;) {
    const size_t at = FindText(text, oldPart, from, ignoreCase);
    if (at == std::u16string_view::npos) break;
    result.append(text.substr(from, at - from)).append(newPart);
    from = at + oldPart.size();
    if (!all) break;
  }
  return result.append(text.substr(from));
}

std::u16string_view TrimControlAndSpace(std::u16string_view text) {
  while (!text.empty() && text.front() <= 32) text.remove_prefix(1);
  while (!text.empty() && text.back() <= 32) text.remove_suffix(1);
  return text;
}

bool EndsWithBar(std::u16string_view text) { return !text.empty() && text.back() == u'|'; }

}  // namespace

// --- Free conversions ---

std::u16string VariantToFlexString(const TVariant& aValue) {
  if (aValue.IsNull()) return u"";
  if (aValue.IsArray()) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text = u"0x";
    for (uint8_t byte : aValue.ArrayBytes()) {
      text.push_back(kDigits[byte >> 4]);
      text.push_back(kDigits[byte & 15]);
    }
    return text;
  }
  return aValue.AsText();  // booleans give "True" / "False"
}

TVariant FlexStringToVariant(std::u16string_view aText) {
  if (aText.empty()) return TVariant();
  if (aText == u"True") return TVariant(true);
  if (aText == u"False") return TVariant(false);
  // Only a text that is exactly the form of a byte array becomes one: any other text that starts
  // with "0x" keeps its content.
  if (aText.substr(0, 2) == u"0x" && aText.size() % 2 == 0) {
    TVariant bytes = HexToVariantBytes(aText);
    if (bytes.IsArray()) return bytes;
  }
  return TVariant(aText);
}

bool FlexValuesEqual(const TVariant& a, const TVariant& b) {
  if (!a.IsArray() && !b.IsArray() && a.Type() == b.Type()) return a == b;
  if (a.IsNull() || b.IsNull()) return false;
  // The text of a byte array is its "0x" form, so byte arrays compare by their bytes.
  return VariantToFlexString(a) == VariantToFlexString(b);
}

TFlexArray FlexArrayOf(std::initializer_list<TVariant> aKeysAndValues) {
  TFlexArray result;
  result.Add(aKeysAndValues);
  return result;
}

// --- Construction ---

TFlexArray::TFlexArray(TFlexArray&& other) noexcept
    : AllowDuplicateKeys(other.AllowDuplicateKeys),
      FData(std::move(other.FData)),
      FCount(std::exchange(other.FCount, 0)) {}

TFlexArray& TFlexArray::operator=(TFlexArray&& other) noexcept {
  if (this != &other) {
    AllowDuplicateKeys = other.AllowDuplicateKeys;
    FData = std::move(other.FData);
    FCount = std::exchange(other.FCount, 0);
  }
  return *this;
}

TFlexArray::TFlexArray(const TArrayOfVariants& keysAndValues) {
  AddPairs(keysAndValues.data(), keysAndValues.size());
}

TFlexArray::TFlexArray(const std::u16string& text) { SetFromString(text); }

TFlexArray::TFlexArray(const char16_t* text) { SetFromString(text); }

TFlexArray::TFlexArray(const TVariant& value) {
  if (value.IsText()) {
    SetFromString(value.AsText());
  } else if (!value.IsEmpty() && !value.IsNull()) {
    AddValueWithNoKey(value);
  }
}

// --- Storage ---

void TFlexArray::MakeStorageOwn() {
  if (!FData) return;
  if (FData.use_count() == 1) {
    // The other owner may just have released its copy on another thread: its reads of the
    // storage happen before our writes.
    std::atomic_thread_fence(std::memory_order_acquire);
    return;
  }
  FData = std::make_shared<TArrayOfTwoVariants>(*FData);
}

void TFlexArray::Resize(int aCount) {
  if (aCount == FCount) return;
  if (aCount == 0) {
    FData.reset();
  } else if (aCount < kExactStorageBelow) {
    if (FData && FData.use_count() > 1) {
      // A private copy of just the entries that stay.
      const auto kept = FData->begin() + std::min(aCount, FCount);
      auto own = std::make_shared<TArrayOfTwoVariants>(FData->begin(), kept);
      FData = std::move(own);
    } else if (!FData) {
      FData = std::make_shared<TArrayOfTwoVariants>();
    } else {
      MakeStorageOwn();
    }
    FData->resize(static_cast<size_t>(aCount));
  } else {
    if (!FData) FData = std::make_shared<TArrayOfTwoVariants>();
    MakeStorageOwn();
    if (FData->size() < static_cast<size_t>(aCount)) FData->resize(2 * static_cast<size_t>(aCount));
    // Entries past the count stay empty, so that raising the count again shows empty entries.
    for (int i = aCount; i < FCount; ++i) (*FData)[static_cast<size_t>(i)] = TTwoVariants();
  }
  FCount = aCount;
}

TTwoVariants& TFlexArray::EntryToWrite(int aIndex) {
  MakeStorageOwn();
  return (*FData)[static_cast<size_t>(aIndex)];
}

bool TFlexArray::VerifyIndex(int64_t aIndex, std::u16string_view aOperation) const {
  if (IndexInRange(aIndex)) return true;
  Alert(u"TFlexArray." + std::u16string(aOperation) + u": index " + IntToText(aIndex) +
        u" outside 0.." + IntToText(FCount - 1));
  return false;
}

std::u16string TFlexArray::KeyAt(int aIndex) const { return EntryAt(aIndex)[kKey].AsText(); }

// --- Counting and state ---

bool TFlexArray::IsValuesOnly() const { return FCount > 0 && KeyAt(0).empty(); }

// --- Adding and setting ---

void TFlexArray::SetKeyAndValue(const TVariant& aKeyOrIndex, const TVariant& aValue) {
  int64_t index;
  std::u16string key;
  if (aKeyOrIndex.IsNumeric()) {
    index = aKeyOrIndex.AsInt64();
    if (index < -1) {
      Alert(u"TFlexArray.SetKeyAndValue: index " + IntToText(index) + u" below -1");
      return;
    }
  } else {
    key = KeyAsVariantToKeyAsString(aKeyOrIndex);
    index = AllowDuplicateKeys ? -1 : IndexOfKey(key);
  }
  if (index == -1 || index >= FCount) {
    Resize(FCount + 1);
    index = FCount - 1;
    if (!key.empty()) EntryToWrite(static_cast<int>(index))[kKey] = TVariant(key);
  }
  EntryToWrite(static_cast<int>(index))[kValue] = aValue;
}

void TFlexArray::AddValueWithNoKey(const TVariant& aValue) {
  Resize(FCount + 1);
  EntryToWrite(FCount - 1)[kValue] = aValue;
}

void TFlexArray::AddValueWithNoKeyIfNotYetExists(const TVariant& aValue) {
  if (IndexOfValue(aValue) == -1) AddValueWithNoKey(aValue);
}

void TFlexArray::Add(const TFlexArray& aFlexArray) {
  // Every entry goes through the keyed write, so keyless entries all land on the first keyless
  // entry of this array (or on one appended entry when there is none).
  const TFlexArray source = aFlexArray;  // aFlexArray may be this array
  for (int i = 0; i < source.FCount; ++i) {
    SetKeyAndValue(TVariant(source.KeyAt(i)), source.EntryAt(i)[kValue]);
  }
}

void TFlexArray::AddNew(const TFlexArray& aFlexArray) {
  const TFlexArray source = aFlexArray;
  for (int i = 0; i < source.FCount; ++i) {
    const std::u16string key = source.KeyAt(i);
    if (!Has(TVariant(key))) SetKeyAndValue(TVariant(key), source.EntryAt(i)[kValue]);
  }
}

TFlexArray TFlexArray::AddToCopy(const TVariant& aKey, const TVariant& aValue) const {
  TFlexArray copy = *this;
  copy.SetKeyAndValue(aKey, aValue);
  return copy;
}

void TFlexArray::AddPairs(const TVariant* aItems, size_t aCount) {
  for (size_t i = 0; i + 1 < aCount; i += 2) SetKeyAndValue(aItems[i], aItems[i + 1]);
}

void TFlexArray::Add(std::initializer_list<TVariant> aKeysAndValues) {
  AddPairs(aKeysAndValues.begin(), aKeysAndValues.size());
}

void TFlexArray::Add(const TArrayOfStrings& aKeysAndValues) {
  AddArrayOfKeysAndValues(aKeysAndValues);
}

void TFlexArray::AddArrayOfKeysAndValues(std::initializer_list<TVariant> aKeysAndValues) {
  AddPairs(aKeysAndValues.begin(), aKeysAndValues.size());
}

void TFlexArray::AddArrayOfKeysAndValues(const TArrayOfStrings& aKeysAndValues) {
  for (size_t i = 0; i + 1 < aKeysAndValues.size(); i += 2) {
    SetKeyAndValue(TVariant(aKeysAndValues[i]), TVariant(aKeysAndValues[i + 1]));
  }
}

void TFlexArray::AddArrayOfKeysAndValues(const TArrayOfVariants& aKeysAndValues) {
  AddPairs(aKeysAndValues.data(), aKeysAndValues.size());
}

void TFlexArray::AddValues(std::initializer_list<TVariant> aValues) {
  for (const TVariant& value : aValues) AddValueWithNoKey(value);
}

void TFlexArray::AddValues(const TArrayOfStrings& aStrings) {
  for (const std::u16string& line : aStrings) AddValueWithNoKey(TVariant(line));
}

void TFlexArray::Insert(std::u16string_view aKey, const TVariant& aValue, int aIndex) {
  if (aIndex < 0) {
    Alert(u"TFlexArray.Insert: index " + IntToText(aIndex) + u" below 0");
    return;
  }
  aIndex = std::min(aIndex, FCount);
  Resize(FCount + 1);
  MakeStorageOwn();
  const auto begin = FData->begin();
  std::move_backward(begin + aIndex, begin + (FCount - 1), begin + FCount);
  (*FData)[static_cast<size_t>(aIndex)] = TTwoVariants{KeyVariant(aKey), aValue};
}

void TFlexArray::SetKeyByIndex(int aIndex, std::u16string_view aKey) {
  if (VerifyIndex(aIndex, u"SetKeyByIndex")) EntryToWrite(aIndex)[kKey] = KeyVariant(aKey);
}

void TFlexArray::SetValueByIndex(int aIndex, const TVariant& aValue) {
  if (VerifyIndex(aIndex, u"SetValueByIndex")) EntryToWrite(aIndex)[kValue] = aValue;
}

void TFlexArray::SetStringByIndex(int aIndex, std::u16string_view aValue) {
  if (VerifyIndex(aIndex, u"SetStringByIndex")) {
    EntryToWrite(aIndex)[kValue] = FlexStringToVariant(aValue);
  }
}

// --- Reading ---

std::u16string TFlexArray::GetKeyByIndex(int aIndex) const {
  return VerifyIndex(aIndex, u"GetKeyByIndex") ? KeyAt(aIndex) : std::u16string();
}

TVariant TFlexArray::GetValueByIndex(int aIndex) const {
  return VerifyIndex(aIndex, u"GetValueByIndex") ? EntryAt(aIndex)[kValue] : TVariant();
}

std::u16string TFlexArray::GetStringByIndex(int aIndex) const {
  return VerifyIndex(aIndex, u"GetStringByIndex") ? VariantToFlexString(EntryAt(aIndex)[kValue])
                                                  : std::u16string();
}

TVariant TFlexArray::GetValueByKey(const TVariant& aKeyOrIndex) const {
  if (aKeyOrIndex.IsNumeric()) {
    const int64_t index = aKeyOrIndex.AsInt64();
    if (index == -1 || !VerifyIndex(index, u"GetValueByKey")) return TVariant();
    return EntryAt(static_cast<int>(index))[kValue];
  }
  const int index = IndexOfKey(KeyAsVariantToKeyAsString(aKeyOrIndex));
  return index >= 0 ? EntryAt(index)[kValue] : TVariant();
}

std::u16string TFlexArray::GetKeyByValue(const TVariant& aValue) const {
  const int index = IndexOfValue(aValue);
  return index >= 0 ? KeyAt(index) : std::u16string();
}

std::u16string TFlexArray::KeyAsVariantToKeyAsString(const TVariant& aKey) {
  return aKey.IsArray() ? VariantBytesToHex(aKey) : aKey.AsText();
}

int TFlexArray::IndexOfKey(std::u16string_view aKey) const {
  for (int i = 0; i < FCount; ++i) {
    if (KeysMatch(KeyAt(i), aKey)) return i;
  }
  return -1;
}

int TFlexArray::IndexOfValue(const TVariant& aValue) const {
  const std::u16string text = VariantToFlexString(aValue);
  for (int i = 0; i < FCount; ++i) {
    if (VariantToFlexString(EntryAt(i)[kValue]) == text) return i;
  }
  return -1;
}

int TFlexArray::IndexOfStringIgnoreCase(std::u16string_view aValue) const {
  for (int i = 0; i < FCount; ++i) {
    if (KeysMatch(VariantToFlexString(EntryAt(i)[kValue]), aValue)) return i;
  }
  return -1;
}

bool TFlexArray::Has(const TVariant& aKeyOrValue) const {
  return IsValuesOnly() ? HasValue(aKeyOrValue) : HasKey(aKeyOrValue.AsText());
}

bool TFlexArray::HasValueFor(std::u16string_view aKey) const {
  const int index = IndexOfKey(aKey);
  return index >= 0 && !VariantIsBlank(EntryAt(index)[kValue]);
}

bool TFlexArray::HasAny(std::initializer_list<std::u16string_view> aKeysOrValues) const {
  return std::any_of(aKeysOrValues.begin(), aKeysOrValues.end(),
                     [this](std::u16string_view text) { return Has(TVariant(text)); });
}

TVariant TFlexArray::Extract(const TVariant& aKey) {
  TVariant value = GetValueByKey(aKey);
  Delete(aKey);
  return value;
}

TFlexArray TFlexArray::ExtractMultipleItems(std::u16string_view aItemPrefix) const {
  const std::u16string prefix(aItemPrefix);
  const int count = GetValueByKey(TVariant(prefix + u"Count")).AsInteger();
  TFlexArray items;
  for (int i = 0; i < count; ++i)
    items.AddValueWithNoKey(GetValueByKey(TVariant(prefix + IntToText(i))));
  return items;
}

// --- Removing and moving ---

void TFlexArray::DeleteByIndex(int aIndex) {
  if (!IndexInRange(aIndex)) return;
  MakeStorageOwn();
  const auto begin = FData->begin();
  std::move(begin + aIndex + 1, begin + FCount, begin + aIndex);
  (*FData)[static_cast<size_t>(FCount - 1)] = TTwoVariants();
  Resize(FCount - 1);
}

void TFlexArray::Delete(const TVariant& aKeyOrIndex) {
  if (aKeyOrIndex.IsNumeric()) {
    const int64_t index = aKeyOrIndex.AsInt64();
    if (IndexInRange(index)) DeleteByIndex(static_cast<int>(index));
    return;
  }
  DeleteByIndex(IndexOfKey(aKeyOrIndex.AsText()));
}

void TFlexArray::DeleteIdenticalKeyValuePairs(const TFlexArray& aKeysAndValuesToRemove) {
  const TFlexArray toRemove = aKeysAndValuesToRemove;
  for (int i = 0; i < toRemove.FCount; ++i) {
    const TVariant key(toRemove.KeyAt(i));
    if (Has(key) && GetValueByKey(key) == toRemove.EntryAt(i)[kValue]) Delete(key);
  }
}

void TFlexArray::MoveBefore(std::u16string_view aEntryToMove,
                            std::u16string_view aEntryBeforeWhichToPut) {
  MoveBeforeOrAfter(aEntryToMove, aEntryBeforeWhichToPut, false);
}

void TFlexArray::MoveAfter(std::u16string_view aEntryToMove,
                           std::u16string_view aEntryAfterWhichToPut) {
  MoveBeforeOrAfter(aEntryToMove, aEntryAfterWhichToPut, true);
}

void TFlexArray::MoveBeforeOrAfter(std::u16string_view aEntryToMove,
                                   std::u16string_view aEntryBeforeWhichToPut, bool aIsAfter) {
  const int from = IndexOfKey(aEntryToMove);
  const int target = IndexOfKey(aEntryBeforeWhichToPut);
  if (from < 0 || target < 0 || from == target) return;
  const std::u16string key = KeyAt(from);
  const TVariant value = EntryAt(from)[kValue];
  DeleteByIndex(from);
  const int newTarget = IndexOfKey(aEntryBeforeWhichToPut);
  Insert(key, value, aIsAfter ? newTarget + 1 : newTarget);
}

// --- Comparing and copying ---

int TFlexArray::NthIndexOfKey(std::u16string_view aKey, int aOccurrence) const {
  for (int i = 0; i < FCount; ++i) {
    if (KeysMatch(KeyAt(i), aKey) && aOccurrence-- == 0) return i;
  }
  return -1;
}

int TFlexArray::OccurrenceOfKeyAt(int aIndex) const {
  const std::u16string key = KeyAt(aIndex);
  int occurrence = 0;
  for (int j = 0; j < aIndex; ++j) occurrence += KeysMatch(KeyAt(j), key) ? 1 : 0;
  return occurrence;
}

bool TFlexArray::ValuesFoundIn(const TFlexArray& aOther,
                               const std::vector<std::u16string_view>& aIgnored) const {
  for (int i = 0; i < FCount; ++i) {
    const std::u16string key = KeyAt(i);
    if (std::find(aIgnored.begin(), aIgnored.end(), key) != aIgnored.end()) continue;
    const int there = aOther.NthIndexOfKey(key, OccurrenceOfKeyAt(i));
    const TVariant value = there < 0 ? TVariant() : aOther.EntryAt(there)[kValue];
    if (!FlexValuesEqual(EntryAt(i)[kValue], value)) return false;
  }
  return true;
}

bool TFlexArray::IsSameAsExcept(const TFlexArray& aAnother,
                                std::initializer_list<std::u16string_view> aKeysToIgnore) const {
  if (FCount != aAnother.FCount) return false;
  const std::vector<std::u16string_view> ignored(aKeysToIgnore);
  if (!ValuesFoundIn(aAnother, ignored)) return false;
  // Every pair was compared above or ignored with this array's entry (so "IDMIN" there goes
  // with an ignored "IdMin" here). What is left are the entries there without a counterpart
  // here: like a key missing there, each compares with the empty value.
  for (int j = 0; j < aAnother.FCount; ++j) {
    const std::u16string key = aAnother.KeyAt(j);
    if (std::find(ignored.begin(), ignored.end(), key) != ignored.end()) continue;
    if (NthIndexOfKey(key, aAnother.OccurrenceOfKeyAt(j)) >= 0) continue;
    if (!FlexValuesEqual(TVariant(), aAnother.EntryAt(j)[kValue])) return false;
  }
  return true;
}

bool TFlexArray::IsSameAs(std::initializer_list<TVariant> aKeysAndValues) const {
  return IsSameAs(FlexArrayOf(aKeysAndValues));
}

bool TFlexArray::IsSubsetOf(const TFlexArray& aAnother) const {
  return aAnother.FCount >= FCount && ValuesFoundIn(aAnother, {});
}

void TFlexArray::CopySubset(std::initializer_list<std::u16string_view> aKeys,
                            TFlexArray& aDestination) const {
  const TFlexArray source = *this;  // aDestination may be this array
  aDestination.Clear();
  for (std::u16string_view key : aKeys) {
    aDestination.SetKeyAndValue(TVariant(key), source.GetValueByKey(TVariant(key)));
  }
}

// --- Text forms ---

bool TFlexArray::IsSimpleString() const { return FCount == 1 && KeyAt(0).empty(); }

std::u16string TFlexArray::ToString() const {
  if (IsSimpleString()) {
    // A text that is empty or ends with "|" would read back as no entries: those take the pair
    // form below.
    std::u16string text = VariantToFlexString(EntryAt(0)[kValue]);
    if (!text.empty() && !EndsWithBar(text)) return text;
  }
  std::u16string text;
  for (int i = 0; i < FCount; ++i) {
    text += UrlEncodeText(KeyAt(i));
    text += u'|';
    text += UrlEncodeText(VariantToFlexString(EntryAt(i)[kValue]));
    text += u'|';
  }
  return text;
}

void TFlexArray::SetFromString(std::u16string_view sString) {
  Clear();
  AddFromString(sString);
}

void TFlexArray::AddFromString(std::u16string_view sString) {
  if (!sString.empty() && !EndsWithBar(sString)) {
    AddValueWithNoKey(TVariant(sString));
    return;
  }
  size_t groupStart = 0;
  size_t keyEnd = std::u16string_view::npos;  // position of the "|" after the key, once read
  for (size_t i = 0; i < sString.size(); ++i) {
    if (sString[i] != u'|') continue;
    if (keyEnd == std::u16string_view::npos) {
      keyEnd = i;
      continue;
    }
    const std::u16string_view escapedKey = sString.substr(groupStart, keyEnd - groupStart);
    const std::u16string_view escapedValue = sString.substr(keyEnd + 1, i - keyEnd - 1);
    groupStart = i + 1;
    keyEnd = std::u16string_view::npos;
    try {
      const std::u16string value = UrlDecodeText(escapedValue);
      if (escapedKey.empty()) {
        AddValueWithNoKey(TVariant(value));
      } else {
        SetKeyAndValue(TVariant(UrlDecodeText(escapedKey)), FlexStringToVariant(value));
      }
    } catch (const EConvertError&) {
      // A malformed escape loses its own group only.
    } catch (const EEncodingError&) {
    }
  }
}

void TFlexArray::AppendDisplayLines(TArrayOfStrings& aStrings, std::u16string_view aIndent) const {
  for (int i = 0; i < FCount; ++i) {
    const std::u16string key = KeyAt(i);
    const std::u16string value = VariantToFlexString(EntryAt(i)[kValue]);
    std::u16string line(aIndent);
    if (EndsWithBar(value)) {
      const TFlexArray nested(value);
      aStrings.push_back(line + key + u" (" + IntToText(nested.FCount) + u"):");
      nested.AppendDisplayLines(aStrings, line + u"  ");
      continue;
    }
    if (value.find(u"\r\n") != std::u16string::npos) {
      line += key + u":\r\n" + value;
    } else {
      line += key + u": \"" + value + u"\"";
    }
    if (i != FCount - 1) line += u", ";
    aStrings.push_back(std::move(line));
  }
}

void TFlexArray::IntoStringsListForDisplay(TArrayOfStrings& aStrings) const {
  AppendDisplayLines(aStrings, u"");
}

std::u16string TFlexArray::AsStringForDisplay() const {
  TArrayOfStrings lines;
  IntoStringsListForDisplay(lines);
  std::u16string text;
  for (const std::u16string& line : lines) text += line + u"\r\n";
  return text;
}

std::u16string TFlexArray::ToStringSeparated(std::u16string_view aSeparator) const {
  std::u16string text;
  for (int i = 0; i < FCount; ++i) {
    if (i > 0) text += aSeparator;
    text += EntryAt(i)[kValue].AsText();
  }
  return text;
}

void TFlexArray::SetValuesFromStringSeparated(std::u16string_view aString,
                                              std::u16string_view aSeparator) {
  Clear();
  size_t from = 0;
  if (!aSeparator.empty()) {
    for (size_t at = aString.find(aSeparator); at != std::u16string_view::npos;
         at = aString.find(aSeparator, from)) {
      AddValueWithNoKey(TVariant(aString.substr(from, at - from)));
      from = at + aSeparator.size();
    }
  }
  AddValueWithNoKey(TVariant(aString.substr(from)));
}

void TFlexArray::TrimValues() {
  TFlexArray trimmed = *this;  // all values convert, or none changes
  for (int i = 0; i < FCount; ++i) {
    trimmed.EntryToWrite(i)[kValue] = TVariant(TrimControlAndSpace(EntryAt(i)[kValue].AsText()));
  }
  *this = std::move(trimmed);
}

TArrayOfStrings TFlexArray::ToArrayOfStrings() const {
  TArrayOfStrings items;
  items.reserve(2 * static_cast<size_t>(FCount));
  for (int i = 0; i < FCount; ++i) {
    items.push_back(KeyAt(i));
    items.push_back(VariantToFlexString(EntryAt(i)[kValue]));
  }
  return items;
}

TArrayOfVariants TFlexArray::ToArrayOfVariants() const {
  TArrayOfVariants items;
  items.reserve(2 * static_cast<size_t>(FCount));
  for (int i = 0; i < FCount; ++i) {
    items.emplace_back(KeyAt(i));
    items.push_back(EntryAt(i)[kValue]);
  }
  return items;
}

void TFlexArray::KeysAddPrefix(std::u16string_view aPrefix) {
  for (int i = 0; i < FCount; ++i) {
    const std::u16string key = std::u16string(aPrefix) + KeyAt(i);
    EntryToWrite(i)[kKey] = KeyVariant(key);
  }
}

void TFlexArray::KeysReplace(std::u16string_view aOldKeyPart, std::u16string_view aNewKeyPart,
                             TReplaceFlags aFlags) {
  for (int i = 0; i < FCount; ++i) {
    const std::u16string key = ReplaceText(KeyAt(i), aOldKeyPart, aNewKeyPart, aFlags);
    EntryToWrite(i)[kKey] = KeyVariant(key);
  }
}

// --- Two levels ---

void TFlexArray::D2Add(const TVariant& aLevel1Key,
                       std::initializer_list<TVariant> aLevel2KeysAndValues) {
  SetKeyAndValue(aLevel1Key, TVariant(FlexArrayOf(aLevel2KeysAndValues).ToString()));
}

void TFlexArray::D2AddValue(std::initializer_list<TVariant> aLevel2KeysAndValues) {
  AddValueWithNoKey(TVariant(FlexArrayOf(aLevel2KeysAndValues).ToString()));
}

TFlexArray TFlexArray::D2(const TVariant& aKeyOrIndex) const {
  // The value's flex text rather than its plain text: a byte array has no plain text.
  TFlexArray nested;
  nested.SetFromString(VariantToFlexString(GetValueByKey(aKeyOrIndex)));
  return nested;
}

void TFlexArray::D2Set(const TVariant& aLevel1Key, const TVariant& aLevel2Key,
                       const TVariant& aValue) {
  TFlexArray nested = D2(aLevel1Key);
  nested.SetKeyAndValue(aLevel2Key, aValue);
  SetKeyAndValue(aLevel1Key, TVariant(nested.ToString()));
}

int TFlexArray::D2Find(const TArrayOfVariants& aLevel2KeysAndValues) const {
  const TFlexArray probe(aLevel2KeysAndValues);
  for (int i = 0; i < FCount; ++i) {
    if (probe.IsSubsetOf(D2(TVariant(i)))) return i;
  }
  return -1;
}
