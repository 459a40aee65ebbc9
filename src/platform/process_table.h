#pragma once
// The system's table of running processes, read one record at a time.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace brisvane {

struct ProcessRecord {
  std::uint32_t pid = 0;
  // The program file; empty when the table gives none. nullopt when the record's properties could not be
  // read at all.
  std::optional<std::string> executable_path;
};

// One use of the table: Connect, then Query, then Next until it gives nothing. Each instance is used for
// one lookup and released after it.
class IProcessTable {
 public:
  virtual ~IProcessTable() = default;
  // Connects to the table's service of this computer; false when it refuses or is missing.
  virtual bool Connect() = 0;
  // Asks for every process; false when the query fails.
  virtual bool Query() = 0;
  // The next record in the order the service gives them, nullopt after the last.
  virtual std::optional<ProcessRecord> Next() = 0;
};

// Makes a fresh table for each lookup, so that nothing is kept open between lookups.
class IProcessTableFactory {
 public:
  virtual ~IProcessTableFactory() = default;
  virtual std::unique_ptr<IProcessTable> Open() = 0;
};

}  // namespace brisvane
