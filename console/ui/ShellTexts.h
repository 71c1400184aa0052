#pragma once

// The console shell's own texts: caption, titles, menus, prompts and status bar panes.
namespace mireval::ui::texts {

inline constexpr char kCaption[] = "Mireval";
inline constexpr char kWindowTitle[] = "Formulario de registro para control de acceso";
inline constexpr char kNewDocumentName[] = " ";
inline constexpr char kTitleSeparator[] = " - ";
inline constexpr char kNewFileName[] = "Mireval";

inline constexpr char kViewMenu[] = "&Ver";
inline constexpr char kStatusBarItem[] = "&Barra de estado";
inline constexpr char kStatusBarPrompt[] = "Mostrar u ocultar la barra de estado";
inline constexpr char kHelpMenu[] = "Ay&uda";
inline constexpr char kAboutItem[] = "&Acerca de Mireval...";
inline constexpr char kAboutPrompt[] =
    "Muestra la información del programa, el número de versión y el copyright";

inline constexpr char kReady[] = "Listo";
inline constexpr char kCapsLock[] = "MAY";
inline constexpr char kNumLock[] = "NUM";
inline constexpr char kScrollLock[] = "DESP";

inline constexpr char kAboutCaption[] = "Acerca de Mireval";
inline constexpr char kAboutVersion[] = "Mireval Version 1.0";
inline constexpr char kAboutOk[] = "Aceptar";

inline constexpr char kOpenCaption[] = "Abrir";
inline constexpr char kSaveCaption[] = "Guardar como";
inline constexpr char kNotTheDatabase[] =
    "El documento no puede guardarse sobre el archivo de la base de datos.";

}  // namespace mireval::ui::texts
