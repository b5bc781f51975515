#pragma once
#include <cstdint>
#include <string>

// The names of the kernel objects of pipe `index`, which the host creates and the program
// opens: "Corvane2.IPCMutex<index>" and "Corvane2.IPCFileMapping<index>", the index in decimal.
std::string PipeMutexName(std::int32_t index);
std::string PipeMappingName(std::int32_t index);
