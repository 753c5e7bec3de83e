// The simulated machine's processes, tokens and privileges, and its version resources.
#include <algorithm>
#include <cstring>
#include <map>

#include "lib/platform/uPlatformSim.h"
#include "lib/platform/uPlatformSimPe.h"
#include "lib/platform/uPlatformText.h"

namespace {

template <typename T>
T FailWith(win::DWORD error, T result) {
  SimSetLastError(error);
  return result;
}

// The privileges Windows knows, by their value (the LUID's low part).
constexpr std::u16string_view kPrivilegeNames[] = {
    u"SeCreateTokenPrivilege",
    u"SeAssignPrimaryTokenPrivilege",
    u"SeLockMemoryPrivilege",
    u"SeIncreaseQuotaPrivilege",
    u"SeMachineAccountPrivilege",
    u"SeTcbPrivilege",
    u"SeSecurityPrivilege",
    u"SeTakeOwnershipPrivilege",
    u"SeLoadDriverPrivilege",
    u"SeSystemProfilePrivilege",
    u"SeSystemtimePrivilege",
    u"SeProfileSingleProcessPrivilege",
    u"SeIncreaseBasePriorityPrivilege",
    u"SeCreatePagefilePrivilege",
    u"SeCreatePermanentPrivilege",
    u"SeBackupPrivilege",
    u"SeRestorePrivilege",
    u"SeShutdownPrivilege",
    u"SeDebugPrivilege",
    u"SeAuditPrivilege",
    u"SeSystemEnvironmentPrivilege",
    u"SeChangeNotifyPrivilege",
    u"SeRemoteShutdownPrivilege",
    u"SeUndockPrivilege",
    u"SeSyncAgentPrivilege",
    u"SeEnableDelegationPrivilege",
    u"SeManageVolumePrivilege",
    u"SeImpersonatePrivilege",
    u"SeCreateGlobalPrivilege",
    u"SeTrustedCredManAccessPrivilege",
    u"SeRelabelPrivilege",
    u"SeIncreaseWorkingSetPrivilege",
    u"SeTimeZonePrivilege",
    u"SeCreateSymbolicLinkPrivilege",
};
constexpr win::DWORD kFirstPrivilege = 2;  // SeCreateTokenPrivilege

// The privilege's name for a LUID; empty for a value that names none.
std::u16string_view PrivilegeName(const win::LUID& luid) {
  if (luid.HighPart != 0 || luid.LowPart < kFirstPrivilege ||
      luid.LowPart - kFirstPrivilege >= std::size(kPrivilegeNames)) {
    return {};
  }
  return kPrivilegeNames[luid.LowPart - kFirstPrivilege];
}

win::DWORD IntegrityRid(const TSimToken& token) {
  return token.IntegrityLabel.empty() ? 0 : token.IntegrityLabel.back();
}

constexpr win::DWORD kSeGroupIntegrity = 0x20;

}  // namespace

// --- Processes and tokens ---

TSimToken* TSimSecurity::TokenLocked(win::DWORD processId) {
  auto it = FTokens.find(processId);
  if (it != FTokens.end()) return &it->second;
  if (processId != FMachine.Process().ProcessId()) return nullptr;
  return &FTokens[processId];
}

const TSimSecurity::THandle* TSimSecurity::HandleLocked(win::HANDLE handle, bool token) {
  auto it = FHandles.find(reinterpret_cast<uintptr_t>(handle));
  if (it == FHandles.end() || it->second.IsToken != token) return nullptr;
  return &it->second;
}

TSimToken TSimSecurity::Token(win::DWORD processId) const {
  std::lock_guard guard(FLock);
  auto it = FTokens.find(processId);
  return it != FTokens.end() ? it->second : TSimToken();
}

void TSimSecurity::SetToken(win::DWORD processId, TSimToken token) {
  std::lock_guard guard(FLock);
  FTokens[processId] = std::move(token);
}

size_t TSimSecurity::OpenHandleCount() const {
  std::lock_guard guard(FLock);
  return FHandles.size();
}

win::HANDLE TSimSecurity::OpenProcess(win::DWORD desiredAccess, bool, win::DWORD processId) {
  std::lock_guard guard(FLock);
  const win::DWORD self = FMachine.Process().ProcessId();
  TSimToken* target = TokenLocked(processId);
  if (target == nullptr) return FailWith(win::ERROR_INVALID_PARAMETER, win::HANDLE{nullptr});
  // Beyond limited queries, a process of higher integrity is out of reach (without the debug
  // privilege enabled).
  const TSimToken& own = *TokenLocked(self);
  const auto debug = own.Privileges.find(u"SeDebugPrivilege");
  const bool debugging = debug != own.Privileges.end() && debug->second;
  const win::DWORD limited = win::PROCESS_QUERY_LIMITED_INFORMATION | win::SYNCHRONIZE;
  if (processId != self && !debugging && IntegrityRid(*target) > IntegrityRid(own) &&
      (desiredAccess & ~limited) != 0) {
    return FailWith(win::ERROR_ACCESS_DENIED, win::HANDLE{nullptr});
  }
  const uintptr_t id = FNextHandle;
  FNextHandle += 4;
  FHandles[id] = {false, processId, desiredAccess};
  return reinterpret_cast<win::HANDLE>(id);
}

bool TSimSecurity::IsWow64Process(win::HANDLE process, bool* wow64Process) {
  if (wow64Process == nullptr) return FailWith(win::ERROR_INVALID_PARAMETER, false);
  if (process == win::CURRENT_PROCESS) {
    *wow64Process = FMachine.Process().IsWow64();
    return true;
  }
  std::lock_guard guard(FLock);
  const THandle* handle = HandleLocked(process, false);
  if (handle == nullptr) return FailWith(win::ERROR_INVALID_HANDLE, false);
  if (handle->ProcessId == FMachine.Process().ProcessId()) {
    *wow64Process = FMachine.Process().IsWow64();
  } else {
    const TSimToken* token = TokenLocked(handle->ProcessId);
    *wow64Process = token != nullptr && token->Wow64 && FMachine.Process().IsWindows64();
  }
  return true;
}

bool TSimSecurity::OpenProcessToken(win::HANDLE process, win::DWORD desiredAccess,
                                    win::HANDLE* token) {
  if (token == nullptr) return FailWith(win::ERROR_INVALID_PARAMETER, false);
  std::lock_guard guard(FLock);
  win::DWORD processId = FMachine.Process().ProcessId();
  if (process != win::CURRENT_PROCESS) {
    const THandle* handle = HandleLocked(process, false);
    if (handle == nullptr) return FailWith(win::ERROR_INVALID_HANDLE, false);
    if ((handle->Access &
         (win::PROCESS_QUERY_INFORMATION | win::PROCESS_QUERY_LIMITED_INFORMATION)) == 0) {
      return FailWith(win::ERROR_ACCESS_DENIED, false);
    }
    processId = handle->ProcessId;
  }
  if (TokenLocked(processId) == nullptr) return FailWith(win::ERROR_INVALID_HANDLE, false);
  const uintptr_t id = FNextHandle;
  FNextHandle += 4;
  FHandles[id] = {true, processId, desiredAccess};
  *token = reinterpret_cast<win::HANDLE>(id);
  return true;
}

bool TSimSecurity::GetTokenInformation(win::HANDLE token, win::DWORD informationClass,
                                       void* information, win::DWORD informationLength,
                                       win::DWORD* returnLength) {
  std::lock_guard guard(FLock);
  const THandle* handle = HandleLocked(token, true);
  if (handle == nullptr) return FailWith(win::ERROR_INVALID_HANDLE, false);
  if ((handle->Access & win::TOKEN_QUERY) == 0) return FailWith(win::ERROR_ACCESS_DENIED, false);
  const TSimToken* state = TokenLocked(handle->ProcessId);
  if (state == nullptr) return FailWith(win::ERROR_INVALID_HANDLE, false);

  if (informationClass == win::TokenVirtualizationEnabled) {
    if (returnLength != nullptr) *returnLength = sizeof(win::DWORD);
    if (information == nullptr || informationLength < sizeof(win::DWORD)) {
      return FailWith(win::ERROR_BAD_LENGTH, false);
    }
    const win::DWORD enabled = state->VirtualizationEnabled ? 1 : 0;
    std::memcpy(information, &enabled, sizeof(enabled));
    return true;
  }
  if (informationClass == win::TokenIntegrityLevel) {
    // The label, then its SID: revision 1, the sub-authority count, the authority 16
    // (mandatory label) in six big-endian bytes, the sub-authorities.
    const size_t count = std::min<size_t>(state->IntegrityLabel.size(), 15);
    const size_t sidSize = 8 + 4 * count;
    const auto needed = static_cast<win::DWORD>(sizeof(win::TOKEN_MANDATORY_LABEL) + sidSize);
    if (returnLength != nullptr) *returnLength = needed;
    if (information == nullptr || informationLength < needed) {
      return FailWith(win::ERROR_INSUFFICIENT_BUFFER, false);
    }
    auto* bytes = static_cast<uint8_t*>(information);
    uint8_t* sid = bytes + sizeof(win::TOKEN_MANDATORY_LABEL);
    const win::TOKEN_MANDATORY_LABEL label{{sid, kSeGroupIntegrity}};
    std::memcpy(bytes, &label, sizeof(label));
    const uint8_t header[8] = {1, static_cast<uint8_t>(count), 0, 0, 0, 0, 0, 16};
    std::memcpy(sid, header, sizeof(header));
    if (count > 0) std::memcpy(sid + 8, state->IntegrityLabel.data(), 4 * count);
    return true;
  }
  return FailWith(win::ERROR_INVALID_PARAMETER, false);
}

uint8_t* TSimSecurity::GetSidSubAuthorityCount(void* sid) { return static_cast<uint8_t*>(sid) + 1; }

win::DWORD* TSimSecurity::GetSidSubAuthority(void* sid, win::DWORD subAuthority) {
  return reinterpret_cast<win::DWORD*>(static_cast<uint8_t*>(sid) + 8 + 4 * size_t{subAuthority});
}

bool TSimSecurity::LookupPrivilegeValueW(std::u16string_view systemName, std::u16string_view name,
                                         win::LUID* luid) {
  if (!systemName.empty()) return FailWith(win::ERROR_BAD_NETPATH, false);
  if (luid == nullptr) return FailWith(win::ERROR_INVALID_PARAMETER, false);
  for (size_t i = 0; i < std::size(kPrivilegeNames); ++i) {
    if (TextEqualsIgnoreCase(kPrivilegeNames[i], name)) {
      *luid = {static_cast<win::DWORD>(kFirstPrivilege + i), 0};
      return true;
    }
  }
  return FailWith(win::ERROR_NO_SUCH_PRIVILEGE, false);
}

bool TSimSecurity::AdjustTokenPrivileges(win::HANDLE token, bool disableAllPrivileges,
                                         const win::LUID_AND_ATTRIBUTES* newState,
                                         win::DWORD count) {
  std::lock_guard guard(FLock);
  const THandle* handle = HandleLocked(token, true);
  if (handle == nullptr) return FailWith(win::ERROR_INVALID_HANDLE, false);
  if ((handle->Access & win::TOKEN_ADJUST_PRIVILEGES) == 0) {
    return FailWith(win::ERROR_ACCESS_DENIED, false);
  }
  TSimToken* state = TokenLocked(handle->ProcessId);
  if (state == nullptr) return FailWith(win::ERROR_INVALID_HANDLE, false);
  if (disableAllPrivileges) {
    for (auto& privilege : state->Privileges) privilege.second = false;
    return FailWith(win::ERROR_SUCCESS, true);
  }
  if (newState == nullptr && count != 0) return FailWith(win::ERROR_INVALID_PARAMETER, false);
  bool allAssigned = true;
  for (win::DWORD i = 0; i < count; ++i) {
    auto held = state->Privileges.find(std::u16string(PrivilegeName(newState[i].Luid)));
    if (held == state->Privileges.end()) {
      allAssigned = false;
    } else if ((newState[i].Attributes & win::SE_PRIVILEGE_REMOVED) != 0) {
      state->Privileges.erase(held);
    } else {
      held->second = (newState[i].Attributes & win::SE_PRIVILEGE_ENABLED) != 0;
    }
  }
  return FailWith(allAssigned ? win::ERROR_SUCCESS : win::ERROR_NOT_ALL_ASSIGNED, true);
}

bool TSimSecurity::CloseHandle(win::HANDLE handle) {
  std::lock_guard guard(FLock);
  if (FHandles.erase(reinterpret_cast<uintptr_t>(handle)) == 0) {
    return FailWith(win::ERROR_INVALID_HANDLE, false);
  }
  return true;
}

// --- Version resources ---

bool TSimResources::ReadBlock(std::u16string_view fileName, std::vector<uint8_t>& block) {
  win::HANDLE file =
      FMachine.Files().CreateFileW(fileName, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_DELETE,
                         win::OPEN_EXISTING, 0);
  if (file == win::INVALID_HANDLE_VALUE) return false;
  int64_t size = 0;
  win::DWORD error = win::ERROR_SUCCESS;
  if (!FMachine.Files().GetFileSizeEx(file, &size)) {
    error = win::ERROR_BAD_EXE_FORMAT;
  } else {
    // Reads in chunks that are kept, since the walk reads many small pieces.
    constexpr uint64_t kChunk = 64 * 1024;
    std::map<uint64_t, std::vector<uint8_t>> chunks;
    const TSimPeReader read = [&](uint64_t offset, void* buffer, size_t length) {
      auto* out = static_cast<uint8_t*>(buffer);
      while (length > 0) {
        const uint64_t index = offset / kChunk;
        auto chunk = chunks.find(index);
        if (chunk == chunks.end()) {
          std::vector<uint8_t> bytes(kChunk);
          win::DWORD got = 0;
          if (!FMachine.Files().SetFilePointerEx(file, static_cast<int64_t>(index * kChunk), nullptr,
                                       win::FILE_BEGIN) ||
              !FMachine.Files().ReadFile(file, bytes.data(), static_cast<win::DWORD>(kChunk), &got)) {
            return false;
          }
          bytes.resize(got);
          chunk = chunks.emplace(index, std::move(bytes)).first;
        }
        const uint64_t inside = offset - index * kChunk;
        if (inside >= chunk->second.size()) return false;
        const size_t take =
            static_cast<size_t>(std::min<uint64_t>(length, chunk->second.size() - inside));
        std::memcpy(out, chunk->second.data() + inside, take);
        out += take;
        offset += take;
        length -= take;
      }
      return true;
    };
    error = SimPeVersionBlock(static_cast<uint64_t>(size), read, block);
  }
  FMachine.Files().CloseHandle(file);
  return error == win::ERROR_SUCCESS ? true : FailWith(error, false);
}

win::DWORD TSimResources::GetFileVersionInfoSizeW(std::u16string_view fileName) {
  std::vector<uint8_t> block;
  if (!ReadBlock(fileName, block)) return 0;
  return static_cast<win::DWORD>(block.size());
}

bool TSimResources::GetFileVersionInfoW(std::u16string_view fileName, win::DWORD length,
                                        void* data) {
  std::vector<uint8_t> block;
  if (!ReadBlock(fileName, block)) return false;
  // The block's own length field must stay within what the caller's buffer holds.
  if (data == nullptr || length < block.size())
    return FailWith(win::ERROR_INSUFFICIENT_BUFFER, false);
  std::memcpy(data, block.data(), block.size());
  return true;
}

bool TSimResources::VerQueryValueW(const void* block, std::u16string_view subBlock, void** buffer,
                                   win::DWORD* length) {
  if (block == nullptr || buffer == nullptr || length == nullptr) {
    return FailWith(win::ERROR_INVALID_PARAMETER, false);
  }
  // Only the fixed part is modelled; the string tables are not.
  if (subBlock != u"\\") return FailWith(win::ERROR_RESOURCE_TYPE_NOT_FOUND, false);
  const auto* bytes = static_cast<const uint8_t*>(block);
  const size_t size = bytes[0] | bytes[1] << 8;
  const std::optional<size_t> fixed = SimVersionFixedInfoOffset({bytes, size});
  if (!fixed) return FailWith(win::ERROR_RESOURCE_TYPE_NOT_FOUND, false);
  *buffer = const_cast<uint8_t*>(bytes + *fixed);
  *length = sizeof(win::VS_FIXEDFILEINFO);
  return true;
}
