#pragma once
// Version resource texts.
#define SFP_FILE_DESCRIPTION "TSX4410 SFP Application"
#define SFP_FILE_VERSION "A.01.01"
