#pragma once
// The program's name and version, as every part of it shows them.
namespace brisvane {
inline constexpr char kProgramTitle[] = "Brisvane - by Kestrelwick";
inline constexpr char kProgramVersion[] = "1.0.1";
}  // namespace brisvane
