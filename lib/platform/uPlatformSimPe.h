// Portable executable (PE) images as the Sim reads and writes them: the version resource of an
// image, found by walking its headers and resource directory with every offset checked, and
// minimal images with a version resource for Sim machines and tests. Pure functions, any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "lib/platform/uWinApi.h"

// Reads `length` bytes at `offset` of the image into `buffer`; false when they are not all there.
using TSimPeReader = std::function<bool(uint64_t offset, void* buffer, size_t length)>;

// The version information block (VS_VERSIONINFO, as many bytes as its length field says) of
// the image of `fileSize` bytes. Returns ERROR_SUCCESS and fills `block`, or the error that
// GetFileVersionInfoSizeW gives: ERROR_BAD_EXE_FORMAT for anything malformed (not a PE image,
// an offset or size outside the file or its resource section), ERROR_RESOURCE_DATA_NOT_FOUND
// without a resource section, ERROR_RESOURCE_TYPE_NOT_FOUND / ERROR_RESOURCE_NAME_NOT_FOUND
// without the version resource.
win::DWORD SimPeVersionBlock(uint64_t fileSize, const TSimPeReader& read,
                             std::vector<uint8_t>& block);
// The same for an image in memory.
win::DWORD SimPeVersionBlock(std::span<const uint8_t> image, std::vector<uint8_t>& block);

// The offset of the fixed part (VS_FIXEDFILEINFO, with its signature) in a version information
// block; nothing when the block has none or is malformed.
std::optional<size_t> SimVersionFixedInfoOffset(std::span<const uint8_t> block);

// A file version: major, minor, release, build.
struct TSimFileVersion {
  uint16_t Major = 0, Minor = 0, Release = 0, Build = 0;
};

// What a minimal image holds. Layout: headers in the first 0x200 bytes (e_lfanew 0x40), one
// section .rsrc at file offset 0x200 and address 0x1000 with the resource directory at its
// start; the version block follows the directory (RT_VERSION, name 1, language 0x409).
struct TSimPeImage {
  bool Pe32Plus = false;  // a 64-bit image (PE32+) rather than a 32-bit one
  // With no file version the resource section holds a manifest instead of version information.
  std::optional<TSimFileVersion> FileVersion;
  TSimFileVersion ProductVersion;
};

// The bytes of a DLL image that Windows loads as a data file and whose version it reads.
std::vector<uint8_t> SimPeImageBuild(const TSimPeImage& image);
