#pragma once
// Factories of the objects a message hands out; each returns one reference.

#include "dispatch_object.h"
#include "message_state.h"

IDispatch* newTextBodyPart(const SharedState& state);
IDispatch* newAttachmentPart(const SharedState& state, size_t index);
IDispatch* newAttachments(const SharedState& state);
IDispatch* newConfiguration(const SharedState& state);
IDispatch* newDataSource(const SharedState& state);
