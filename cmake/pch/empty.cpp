// The precompiled headers are built with this empty file.
