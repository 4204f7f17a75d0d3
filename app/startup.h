#pragma once

bool InitApplication();
void Shutdown();
