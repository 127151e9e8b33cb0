#pragma once

// What a '*' in a section or setting name stands for: up to 100 letters, digits, '_',
// '.' or '-', then at most one literal '*'. The 30 characters are part of the scheme
// language and must stay byte for byte as they are.
inline constexpr const char* kNameTemplatePattern = "[a-zA-Z0-9_.-]{0,100}[\\*]{0,1}";
