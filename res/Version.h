#pragma once
// The updater's version: the version resource and the log's first line of every run.
#define TALVO_VERSION 1, 0, 0, 0
#define TALVO_VERSION_TEXT "1.0.0.0"
