#pragma once
#include <cstdint>
#include <vector>

#include "hostlink/ipc_pipe.h"
#include "platform/thread_queue.h"

// Numbers of the host's registered thread messages, obtained during static initialisation
// (before theReadPipe and theWritePipe are constructed) and fixed for the run; safe to call
// from any static initialiser too. 0 when the platform could give no number.
//   "IPCNewPipe"    host -> program: wParam pipe index, lParam ring size in bytes
//   "IPCDataReady"  host -> program after writing into the read end (parameters unused);
//                   program -> host after every Write: wParam pipe index, lParam byte count
std::uint32_t IpcNewPipeMessage();
std::uint32_t IpcDataReadyMessage();
// Why a number is 0: the error the platform reported (an untrusted table, no private directory).
int RegisteredMessageError();

// The typed messages to the host, framed as hostlink/framing.h describes, each by one Write;
// the result is that Write's (1 stored and signalled, 0 not). Nothing is retried.
// SendText of a text whose length with its NUL exceeds 0xFFFF writes nothing and yields 0
// (last error CIpcPipe::kErrTooLarge).
int SendText(CIpcPipe& pipe, int kind, const char* text);
// Writes one server command (kind 2) by SendText. True when the host holds it: stored counts
// as written even when the host could not be woken, since its reader finds the bytes at its
// next wake-up and a second copy would repeat them.
bool StoreCommand(CIpcPipe& pipe, const char* text);
// Sends the low 16 bits of kind and of value.
int SendValue(CIpcPipe& pipe, int kind, int value);

// The registration handshake, 1,404 frames in this order: text (1, "vantor2008");
// value (4, 1); values (5, 100) .. (5, 1499); (6, 43); (6, 0).
const std::vector<std::vector<std::uint8_t>>& HandshakeFrames();
// Writes each frame of the handshake by its own Write, looking at none of the results.
void SendHandshake(CIpcPipe& pipe);

enum class NewPipeResult { ReadOpened, WriteOpened, ReadFailed, WriteFailed };

// What the "IPCNewPipe" announcement does: an index whose remainder on division by 2 is 1 opens
// theReadPipe and sends nothing; any other opens theWritePipe and sends the handshake on it
// (again on every such announcement). A ring size or index outside the 32-bit signed range
// fails. The caller shows the failure to the user.
NewPipeResult HandleNewPipe(platform::WParam index, platform::LParam ringSize);
