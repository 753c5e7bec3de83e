// The process's start parameters.
#include "lib/values/uAppStartParams.h"

#include <utility>

#include "lib/platform/uPlatform.h"
#include "lib/system/uMisc.h"
#include "lib/values/uMiscLean.h"

namespace {

// The storage of StartParams: constant-initialised, so valid before any unit's static
// initialisation runs, and never destroyed, so valid after this unit's finalisation too.
union TStartParamsStorage {
  constexpr TStartParamsStorage() : Array() {}
  ~TStartParamsStorage() {}
  TFlexArray Array;
};

constinit TStartParamsStorage GStartParamsStorage;

constexpr char16_t kQuote = u'"';

// The text without double quotes; an alert names what lost them.
std::u16string WithoutQuotes(std::u16string text, std::u16string_view what,
                             std::u16string_view key) {
  if (std::erase(text, kQuote) != 0) {
    Alert(std::u16string(u"StartParamsToCommandLine: double quotes dropped from the ")
              .append(what)
              .append(u" of \"")
              .append(key)
              .append(u"\"; a command line cannot carry them"));
  }
  return text;
}

}  // namespace

constinit TFlexArray& StartParams = GStartParamsStorage.Array;

std::vector<std::u16string> StartParamsSplit(std::u16string_view commandLine) {
  std::vector<std::u16string> arguments;
  const size_t length = commandLine.size();
  size_t i = 0;
  for (;;) {
    for (;;) {
      while (i < length && commandLine[i] <= u' ') ++i;
      if (i + 1 >= length || commandLine[i] != kQuote || commandLine[i + 1] != kQuote) break;
      i += 2;
    }
    std::u16string argument;
    while (i < length && commandLine[i] > u' ') {
      if (commandLine[i] != kQuote) {
        argument += commandLine[i++];
        continue;
      }
      ++i;
      while (i < length && commandLine[i] != kQuote) argument += commandLine[i++];
      if (i < length) ++i;
    }
    if (argument.empty()) break;
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

void StartParamsFromCommandLine() {
  const std::vector<std::u16string> arguments =
      StartParamsSplit(Platform().Process().GetCommandLineW());
  for (size_t i = 1; i < arguments.size(); ++i) StartParams.AddValueWithNoKey(arguments[i]);
}

void StartParamsParse(char16_t prefix) {
  const std::u16string_view prefixText(&prefix, 1);
  TFlexArray result;
  std::u16string command;
  std::u16string value;
  const int count = StartParams.Count();
  // Position count stands for the end of the list.
  for (int i = 0; i <= count; ++i) {
    const bool atEnd = i == count;
    const std::u16string current = atEnd ? std::u16string() : StartParams.GetStringByIndex(i);
    const bool isCommand = !atEnd && TextStartsWith(current, prefixText);
    if ((atEnd || isCommand) && (!command.empty() || !value.empty())) {
      StopIf(command.empty(), u"Empty commands are not yet supported");
      result.SetKeyAndValue(TVariant(command), TVariant(value));
      command.clear();
      value.clear();
    }
    if (atEnd) break;
    if (isCommand) {
      command = current.substr(1);
    } else {
      if (!value.empty()) value += u' ';
      value += current;
    }
  }
  StartParams = std::move(result);
}

std::u16string StartParamsToCommandLine(const TFlexArray& params, char16_t prefix) {
  StopIf(params.Count() > 0 && params.GetKeyByIndex(0).empty(),
         u"for now only parsed (command/value) params are supported");
  std::u16string result;
  for (int i = 0; i < params.Count(); ++i) {
    if (!result.empty()) result += u' ';
    const std::u16string key = params.GetKeyByIndex(i);
    result += prefix;
    result += WithoutQuotes(key, u"key", key);
    const std::u16string value = WithoutQuotes(params.GetStringByIndex(i), u"value", key);
    if (value.empty()) continue;
    if (TextHasChar(value, u' ')) {
      result.append(u" \"").append(value).append(u"\"");
    } else {
      result.append(u" ").append(value);
    }
  }
  return result;
}

namespace {

// The unit's initialisation fills StartParams from the command line; its finalisation
// releases the entries and leaves an empty array for whatever runs after it.
struct TStartParamsUnit {
  TStartParamsUnit() { StartParamsFromCommandLine(); }
  ~TStartParamsUnit() { StartParams = TFlexArray(); }
  TStartParamsUnit(const TStartParamsUnit&) = delete;
  TStartParamsUnit& operator=(const TStartParamsUnit&) = delete;
};

const TStartParamsUnit GStartParamsUnit;

}  // namespace
