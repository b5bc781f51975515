#pragma once
#include <cstdint>

#include "hostlink/ipc_pipe.h"
#include "platform/thread_queue.h"

// Numbers of the host's registered thread messages, obtained during static initialisation.
std::uint32_t IpcNewPipeMessage();
std::uint32_t IpcDataReadyMessage();

// Framing of every message to the host, little-endian:
//   offset 0  kind    16 bits (low 16 bits of the kind given)
//   offset 2  length  16 bits, payload bytes that follow
//   offset 4  payload text and its NUL (length = n + 1), or a 16-bit value (length = 2)
// One Write per message; the result is that Write's (1 stored and signalled, 0 not).
// SendText of a text whose length with its NUL exceeds 0xFFFF writes nothing and yields 0.
int SendText(CIpcPipe& pipe, int kind, const char* text);
int SendValue(CIpcPipe& pipe, int kind, int value);

// The registration handshake: 1,404 messages, none of whose results is looked at.
void SendHandshake(CIpcPipe& pipe);

enum class NewPipeResult { ReadOpened, WriteOpened, ReadFailed, WriteFailed };

// What the "IPCNewPipe" announcement does: an index whose remainder on division by 2 is 1 opens
// theReadPipe; any other opens theWritePipe and sends the handshake on it. The caller shows
// the failure to the user.
NewPipeResult HandleNewPipe(platform::WParam index, platform::LParam ringSize);
