// The installer's splash form: reads the install script carried in the executable and extracts
// the payload it lists. The form's window and the install sequence are built on it.
#pragma once

#include "lib/paths/uPaths.h"
#include "lib/values/uFlexArray.h"

// Main thread only.
class TForm1 {
 public:
  // Reads the RCDATA resource "INSTALLSCRIPT" as a text list (byte-order mark for UTF-8 and
  // UTF-16, ANSI otherwise; CR LF, CR and LF end lines) and appends every line that is not
  // empty and does not start with "//" to FilesList, as a text value without key. Nothing is
  // trimmed. FilesList is not cleared first. Raises EResNotFound when the resource is missing.
  //   "a.exe" => entry    "" => skipped    "//x" => skipped    " //x" => entry
  void LoadInstallScript();

  // Writes entry i of FilesList to folder + entry, decoded from the RCDATA resource "F<i>",
  // one entry at a time, creating the folders above it and replacing an existing file. An
  // entry that fails (no resource, corrupt data, out of memory, a folder or file that cannot
  // be written, a path that would leave folder: absolute, with a drive, UNC or device form,
  // or a "." or ".." part, or a path that the long-path prefix of the write makes an invalid
  // name: an empty part, a "/", one of < > " | ? * or a control character) is skipped and the
  // others are still written; the packer refuses such entries before. After each
  // entry written, one pass of the message loop keeps the window responsive. True when every
  // entry was written. An empty FilesList raises EDebugStop "Error: ".
  bool ExtractPayload(const TPath& folder);

  // The install script's entries in script order: entry i is the payload resource "F<i>".
  TFlexArray FilesList;

 private:
  void ExtractEntry(const TPath& folder, int index);
};
