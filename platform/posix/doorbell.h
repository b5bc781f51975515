#pragma once

#include <string>

#include "platform/posix/unique_fd.h"
#include "platform/thread_id.h"

// The wake-up half of a thread message queue: an AF_UNIX datagram socket that the receiving
// thread binds at "bell.<thread id>" in the private directory (user_files.h). A poster sends one
// byte without blocking when its post finds no wake-up pending (see queue_ring.h). The socket is
// readable while a byte is pending; a refusal for a full socket means a wake-up is already pending,
// and a refusal because nothing is bound there means the receiver has gone.
namespace platform::detail {

enum class RingResult { Rung, AlreadyPending, NoReceiver, Failed };

// The socket path of `thread`'s doorbell for the effective user.
std::string DoorbellPath(ThreadId thread);

// True when a live socket is bound at `thread`'s doorbell path.
bool DoorbellInUse(ThreadId thread);
// Binds the calling thread's doorbell (non-blocking), replacing a stale path of a thread that
// ended. Check DoorbellInUse first: a live doorbell's path would be taken over.
UniqueFd BindDoorbell(ThreadId thread);
// Removes the path of a doorbell bound by BindDoorbell.
void UnbindDoorbell(ThreadId thread);

// A socket connected to `thread`'s doorbell; invalid (errno set) when none is bound.
UniqueFd ConnectDoorbell(ThreadId thread);

// Sends one wake-up byte on a connected socket.
RingResult Ring(int connectedFd);
// Consumes every pending wake-up byte.
void Drain(int boundFd);

}  // namespace platform::detail
