#pragma once
// Reading what a message is made from: an attachment's file, the text of an "_Stream".

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "mime_message.h"

// The file's bytes under its file name; fails (DispatchObject::Failure) when it cannot be read.
mime::Attachment readAttachment(const std::wstring& path);
// The whole text of a stream object reached by IDispatch ("ReadText" of everything), as
// bytes: a stored message is 7-bit text.
std::string streamText(const VARIANT& source);
