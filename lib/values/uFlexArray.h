// TFlexArray: the library's ordered key/value container. One type serves as a dictionary that
// keeps insertion order, as a plain list of values and as a record that nests inside a value of
// another array through its text form.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lib/values/uVariant.h"

// One entry: [0] the key (a text, or empty for no key), [1] the value.
using TTwoVariants = std::array<TVariant, 2>;
using TArrayOfTwoVariants = std::vector<TTwoVariants>;
using TArrayOfVariants = std::vector<TVariant>;
// Also the string list that display lines are added to.
using TArrayOfStrings = std::vector<std::u16string>;

// Options of TFlexArray::KeysReplace; combine with |.
enum class TReplaceFlags : unsigned { None = 0, ReplaceAll = 1, IgnoreCase = 2 };
constexpr TReplaceFlags operator|(TReplaceFlags a, TReplaceFlags b) {
  return static_cast<TReplaceFlags>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

// An ordered array of entries, each an optional text key and a variant value.
//
// Keys: two keys match when identical, or when both are not empty and equal after folding a-z to
// A-Z (no other character is folded). Looking up the empty key finds the first keyless entry.
// Every lookup is a linear scan from index 0 that takes the first match.
//
// Keys given as variants (aKeyOrIndex): a number (any integer kind, double, currency, boolean with
// true = -1) is an index, doubles rounded to the nearest integer, ties to even; anything else is a
// key, converted by KeyAsVariantToKeyAsString.
//
// The array is values-only when it is not empty and entry 0 has no key; Has and Missing then
// test values instead of keys.
//
// Misuse (an index outside 0..Count-1 where an index must name an entry, a negative index where
// one is not allowed) raises an alert and leaves the array unchanged; a read then gives the empty
// value or the empty text.
//
// A value type: copies share their storage until one of them is modified, and never observe each
// other's changes. One thread at a time per instance; copies may go to other threads.
class TFlexArray {
 public:
  TFlexArray() = default;
  TFlexArray(const TFlexArray&) = default;
  TFlexArray(TFlexArray&& other) noexcept;
  TFlexArray& operator=(const TFlexArray&) = default;
  TFlexArray& operator=(TFlexArray&& other) noexcept;
  ~TFlexArray() = default;

  // Filled from keys and values in pairs, as Add(list).
  TFlexArray(const TArrayOfVariants& keysAndValues);
  // SetFromString(text).
  TFlexArray(const std::u16string& text);
  TFlexArray(const char16_t* text);
  // A text: SetFromString of it. Empty and null: no entries. Anything else: one keyless value.
  TFlexArray(const TVariant& value);

  // ToString().
  operator std::u16string() const { return ToString(); }
  // ToArrayOfVariants().
  operator TArrayOfVariants() const { return ToArrayOfVariants(); }

  // Keyed writes append instead of replacing the value of an existing key; later lookups find the
  // earliest entry of a key.
  bool AllowDuplicateKeys = false;

  // --- Counting and state ---
  int Count() const { return FCount; }
  bool IsEmpty() const { return FCount == 0; }
  bool IsNotEmpty() const { return FCount > 0; }
  bool IsValuesOnly() const;
  void Clear() { Resize(0); }
  // Entries the storage holds room for: exactly Count below 32; from 32 on it doubles to twice
  // the count when too short, and does not shrink while the count stays at 32 or more.
  int StorageLength() const { return FData ? static_cast<int>(FData->size()) : 0; }

  // --- Adding and setting ---
  // A number in 0..Count-1 replaces that entry's value and keeps its key; -1 or a number at or
  // past Count appends a keyless entry. A key replaces the value of the first matching entry, or
  // appends an entry with that key (always appends with AllowDuplicateKeys). The empty key stands
  // for the first keyless entry. A number below -1 is misuse.
  void SetKeyAndValue(const TVariant& aKeyOrIndex, const TVariant& aValue);
  void AddValueWithNoKey(const TVariant& aValue);
  // AddValueWithNoKey unless IndexOfValue(aValue) finds the value.
  void AddValueWithNoKeyIfNotYetExists(const TVariant& aValue);
  // A keyless text value.
  void Add(const std::u16string& aValue) { AddValueWithNoKey(TVariant(aValue)); }
  void Add(std::u16string_view aValue) { AddValueWithNoKey(TVariant(aValue)); }
  void Add(const char16_t* aValue) { AddValueWithNoKey(TVariant(aValue)); }
  // Merges another array: SetKeyAndValue(key text, value) for each of its entries in order, so
  // its keyless entries all land on this array's first keyless entry (or one appended entry).
  void Add(const TFlexArray& aFlexArray);
  // As Add(aFlexArray), for the entries whose key text Has() does not find (on a values-only
  // array Has() tests values).
  void AddNew(const TFlexArray& aFlexArray);
  // A copy of this array after SetKeyAndValue(aKey, aValue); this array is unchanged.
  TFlexArray AddToCopy(const TVariant& aKey, const TVariant& aValue) const;
  // Items in pairs, key (or index) then value, each pair through SetKeyAndValue; an unpaired last
  // item is ignored:   {u"a", 1, u"b"} => a = 1.
  void Add(std::initializer_list<TVariant> aKeysAndValues);
  void Add(const TArrayOfStrings& aKeysAndValues);
  void AddArrayOfKeysAndValues(std::initializer_list<TVariant> aKeysAndValues);
  void AddArrayOfKeysAndValues(const TArrayOfStrings& aKeysAndValues);
  void AddArrayOfKeysAndValues(const TArrayOfVariants& aKeysAndValues);
  // AddValueWithNoKey for each item in order (texts as text values).
  void AddValues(std::initializer_list<TVariant> aValues);
  void AddValues(const TArrayOfStrings& aStrings);
  // Inserts an entry at aIndex (Count when aIndex is greater), without any lookup: an existing key
  // gets a second entry. A negative aIndex is misuse.
  void Insert(std::u16string_view aKey, const TVariant& aValue, int aIndex);
  // The empty key makes the entry keyless.
  void SetKeyByIndex(int aIndex, std::u16string_view aKey);
  void SetValueByIndex(int aIndex, const TVariant& aValue);
  // FlexStringToVariant(aValue) as the value.
  void SetStringByIndex(int aIndex, std::u16string_view aValue);

  // --- Reading ---
  std::u16string GetKeyByIndex(int aIndex) const;
  TVariant GetValueByIndex(int aIndex) const;
  // VariantToFlexString of the value.
  std::u16string GetStringByIndex(int aIndex) const;
  // A number: the value at that index (-1 gives the empty value). A key: the value of the first
  // matching entry, or the empty value.
  TVariant GetValueByKey(const TVariant& aKeyOrIndex) const;
  // The key of IndexOfValue(aValue), or "".
  std::u16string GetKeyByValue(const TVariant& aValue) const;
  // A byte array gives its bytes in lowercase hexadecimal ("0aff"), anything else its plain text
  // (empty and null give "").
  static std::u16string KeyAsVariantToKeyAsString(const TVariant& aKey);
  // First matching key, or -1.
  int IndexOfKey(std::u16string_view aKey) const;
  // First entry whose VariantToFlexString equals that of aValue exactly, or -1.
  int IndexOfValue(const TVariant& aValue) const;
  // First entry whose VariantToFlexString matches aValue as keys match, or -1.
  int IndexOfStringIgnoreCase(std::u16string_view aValue) const;
  // Values-only array: HasValue(aKeyOrValue). Otherwise HasKey of its plain text (a number is a
  // key here, never an index; a byte array has no plain text and raises EVariantTypeCastError).
  bool Has(const TVariant& aKeyOrValue) const;
  bool Missing(const TVariant& aKeyOrValue) const { return !Has(aKeyOrValue); }
  bool HasKey(std::u16string_view aKey) const { return IndexOfKey(aKey) >= 0; }
  bool HasValue(const TVariant& aValue) const { return IndexOfValue(aValue) >= 0; }
  bool HasStringIgnoreCase(std::u16string_view aValue) const {
    return IndexOfStringIgnoreCase(aValue) >= 0;
  }
  // The key is present and its value is not blank (VariantIsBlank).
  bool HasValueFor(std::u16string_view aKey) const;
  // Has of any of the texts.
  bool HasAny(std::initializer_list<std::u16string_view> aKeysOrValues) const;
  // GetValueByKey(aKey), then Delete(aKey).
  TVariant Extract(const TVariant& aKey);
  // The values of aItemPrefix + "0" ... aItemPrefix + (n - 1) as a values-only array, n being the
  // value of aItemPrefix + "Count" as an integer (absent: 0; a value that is not a number raises
  // EVariantTypeCastError). This array is unchanged.
  TFlexArray ExtractMultipleItems(std::u16string_view aItemPrefix) const;

  // --- Removing and moving ---
  // An index outside 0..Count-1 is ignored.
  void DeleteByIndex(int aIndex);
  // A number: DeleteByIndex; otherwise the first entry whose key matches the plain text.
  void Delete(const TVariant& aKeyOrIndex);
  // For each entry (k, v) of the argument: when Has(k) and GetValueByKey(k) == v (the variant's
  // converting equality), Delete(k). A comparison the variant cannot make raises
  // EVariantTypeCastError; deletions made before it stay done.
  void DeleteIdenticalKeyValuePairs(const TFlexArray& aKeysAndValuesToRemove);
  // Moves the entry of one key just before / after the entry of another. Nothing happens when a
  // key is absent or both name the same entry.
  void MoveBefore(std::u16string_view aEntryToMove, std::u16string_view aEntryBeforeWhichToPut);
  void MoveAfter(std::u16string_view aEntryToMove, std::u16string_view aEntryAfterWhichToPut);
  void MoveBeforeOrAfter(std::u16string_view aEntryToMove,
                         std::u16string_view aEntryBeforeWhichToPut, bool aIsAfter);

  // --- Comparing and copying ---
  // Same Count, and every entry of this array not under one of the ignored keys (exact texts)
  // has an equal value (FlexValuesEqual) under its key in the other array; the order of
  // different keys does not matter. Entries that share a key (keyless ones too) pair up in their
  // order: the second keyless entry with the other's second keyless entry. An entry ignored here
  // is ignored with its counterpart there, whatever the letter case of the other's key. An entry
  // of either array that has no counterpart compares with the empty value.
  //   {a: 1, b: "x"} vs {b: "x", a: "1"} => true    ["a", "b"] vs ["a", "c"] => false
  //   {a: empty} vs {c: 5} => false    {IdMin: 1, N: x} vs {IDMIN: 2, N: x} except IdMin => true
  bool IsSameAsExcept(const TFlexArray& aAnother,
                      std::initializer_list<std::u16string_view> aKeysToIgnore) const;
  bool IsSameAs(const TFlexArray& aAnother) const { return IsSameAsExcept(aAnother, {}); }
  // Compares with the array that Add(aKeysAndValues) makes.
  bool IsSameAs(std::initializer_list<TVariant> aKeysAndValues) const;
  // aAnother has at least Count entries, and every entry of this array has an equal value under
  // its key there (paired as in IsSameAsExcept); a key it lacks counts as the empty value.
  bool IsSubsetOf(const TFlexArray& aAnother) const;
  // aDestination is cleared and gets, in the given order, each key with its value here (absent
  // keys with the empty value). aDestination may be this array.
  void CopySubset(std::initializer_list<std::u16string_view> aKeys, TFlexArray& aDestination) const;
  friend bool operator==(const TFlexArray& a, const TFlexArray& b) { return a.IsSameAs(b); }

  // --- Text forms ---
  // One keyless entry whose value text is not empty and does not end with "|": that text as it is
  // (the simple form). Otherwise, for each entry, UrlEncodeText(key) "|"
  // UrlEncodeText(VariantToFlexString(value)) "|"; the empty array gives "".
  //   {Name: "A B", Size: 10} => "Name|A+B|Size|10|"    ["x", "y"] => "|x||y|"
  //   ["hello world"] => "hello world"                    {"a|b": "c"} => "a%7Cb|c|"
  std::u16string ToString() const;
  // Count is 1 and entry 0 has no key.
  bool IsSimpleString() const;
  // Clear, then AddFromString.
  void SetFromString(std::u16string_view sString);
  // Appends the entries of a text form. A text that does not end with "|" is one keyless text
  // value. Otherwise groups of key "|" value "|": keyed groups go through SetKeyAndValue with the
  // value typed by FlexStringToVariant, keyless groups append a text value. A group with a
  // malformed escape is dropped; so is an unterminated tail.
  //   "Flag|True|" => {Flag: true}    "|True|" => ["True"]    "k|v" => ["k|v"]
  void AddFromString(std::u16string_view sString);
  // Lines for logs, each followed by CR LF: key ": " and the value in double quotes, ", " after
  // every entry but the last; a value holding CR LF as key ":" CR LF value; a value whose text
  // ends with "|" as a nested array: key " (" count "):" and its own lines indented by two spaces.
  //   {Type: "Hang", Message: "x"} => "Type: \"Hang\", \r\nMessage: \"x\"\r\n"
  std::u16string AsStringForDisplay() const;
  // Appends the lines of AsStringForDisplay (without their CR LF).
  void IntoStringsListForDisplay(TArrayOfStrings& aStrings) const;
  // The plain texts of the values joined by aSeparator. A byte array raises EVariantTypeCastError.
  std::u16string ToStringSeparated(std::u16string_view aSeparator) const;
  // Clears, then appends the pieces of aString between occurrences of aSeparator as keyless text
  // values: n separators give n + 1 values; an empty aSeparator gives aString as the only value.
  //   ("a, b, c", ", ") => ["a", "b", "c"]    ("a;;b", ";") => ["a", "", "b"]    ("", ";") => [""]
  void SetValuesFromStringSeparated(std::u16string_view aString, std::u16string_view aSeparator);
  // Every value becomes its plain text without leading and trailing characters of code 32 or
  // below. A byte array raises EVariantTypeCastError and leaves the array unchanged.
  void TrimValues();
  // Key 0, VariantToFlexString(value 0), key 1, ...
  TArrayOfStrings ToArrayOfStrings() const;
  // Key 0 as a text value, value 0, key 1, ...
  TArrayOfVariants ToArrayOfVariants() const;
  // Every key becomes aPrefix + key; keyless entries get aPrefix as their key.
  void KeysAddPrefix(std::u16string_view aPrefix);
  // Replaces aOldKeyPart by aNewKeyPart in every key: the first occurrence, or all with
  // ReplaceAll; IgnoreCase folds a-z/A-Z only. An empty aOldKeyPart changes nothing.
  void KeysReplace(std::u16string_view aOldKeyPart, std::u16string_view aNewKeyPart,
                   TReplaceFlags aFlags);

  // --- Two levels: records nested in values as their text form ---
  // SetKeyAndValue(aLevel1Key, FlexArrayOf(aLevel2KeysAndValues).ToString()).
  //   D2Add("Job", {"Id", 5, "Name", "x"}) => Job holds "Id|5|Name|x|"
  void D2Add(const TVariant& aLevel1Key, std::initializer_list<TVariant> aLevel2KeysAndValues);
  // As D2Add, with the text appended as a keyless value.
  void D2AddValue(std::initializer_list<TVariant> aLevel2KeysAndValues);
  // The nested array in the value of a key or index (as GetValueByKey); absent gives no entries.
  TFlexArray D2(const TVariant& aKeyOrIndex) const;
  // Sets a key of the nested array under aLevel1Key and stores it back.
  void D2Set(const TVariant& aLevel1Key, const TVariant& aLevel2Key, const TVariant& aValue);
  // The first index whose nested array holds the keys and values of the pairs (IsSubsetOf), or -1.
  int D2Find(const TArrayOfVariants& aLevel2KeysAndValues) const;

 private:
  // Sets Count to aCount under the storage rule; entries that come into use are empty.
  void Resize(int aCount);
  // Before any write: a private copy of storage that other copies share.
  void MakeStorageOwn();
  const TTwoVariants& EntryAt(int aIndex) const { return (*FData)[static_cast<size_t>(aIndex)]; }
  TTwoVariants& EntryToWrite(int aIndex);
  bool IndexInRange(int64_t aIndex) const { return aIndex >= 0 && aIndex < FCount; }
  // Reports an index outside 0..Count-1; returns whether the index is in range.
  bool VerifyIndex(int64_t aIndex, std::u16string_view aOperation) const;
  std::u16string KeyAt(int aIndex) const;
  // The index of the n-th entry (from 0) whose key matches aKey, or -1.
  int NthIndexOfKey(std::u16string_view aKey, int aOccurrence) const;
  // How many entries before aIndex have a key that matches the key of entry aIndex.
  int OccurrenceOfKeyAt(int aIndex) const;
  // Every entry not under an ignored key has its value in aOther (the pairing of IsSameAsExcept).
  bool ValuesFoundIn(const TFlexArray& aOther,
                     const std::vector<std::u16string_view>& aIgnored) const;
  void AddPairs(const TVariant* aItems, size_t aCount);
  void AppendDisplayLines(TArrayOfStrings& aStrings, std::u16string_view aIndent) const;

  std::shared_ptr<TArrayOfTwoVariants> FData;  // null while empty; size is StorageLength()
  int FCount = 0;
};

// An array filled as by Add(aKeysAndValues): FlexArrayOf({u"Id", 5, u"Name", u"x"}).
TFlexArray FlexArrayOf(std::initializer_list<TVariant> aKeysAndValues);

// The text of a value where values are compared or written as text: null gives "", a byte array
// "0x" and its bytes in uppercase hexadecimal, a boolean "True"/"False", anything else its plain
// text.   bytes 0A FF => "0x0AFF"    true => "True"    12 => "12"
std::u16string VariantToFlexString(const TVariant& aValue);
// The reverse for texts read from the text form: "" gives the empty value, exactly "True" and
// "False" booleans, "0x" followed by an even number of hexadecimal digits a byte array; any other
// text stays a text ("12" stays "12", "0xzz" stays "0xzz").
TVariant FlexStringToVariant(std::u16string_view aText);
// Values of the same kind (not arrays) compare by the variant's equality; otherwise null differs
// from everything and the rest compare by VariantToFlexString, case-sensitive: 5 equals "5",
// "abc" differs from "ABC", bytes 0A FF equal bytes 0A FF.
bool FlexValuesEqual(const TVariant& a, const TVariant& b);
