#pragma once

bool AddTrayIconAndMenu();
void RemoveTrayIconAndMenu();
