#pragma once
// What the update button does: the whole update run.
void RunUpdate();
