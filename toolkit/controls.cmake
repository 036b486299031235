# The control classes of the toolkit, kept in their own list. Pure logic builds
# everywhere; the controls themselves only in the product build.
set(VARLO_TOOLKIT_CONTROL_PURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ComboSelection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DropDownPlacement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GifFrames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HoverFade.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PressTracker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProgressGeometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScrollBarGeometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextAlign.cpp
)
set(VARLO_TOOLKIT_CONTROL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ButtonUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CheckBoxUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComboBodyUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComboUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComboUIAttributes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComboWnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ControlClasses.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EditUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EditWnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GifAnimUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LabelUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LabelUIEffect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ListElementUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ListLabelElementUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OptionUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProgressUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RichEditUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScrollBarUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextUI.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TxtWinHost.cpp
)
# GDI+ draws GIF frames and effect text; ole32 gives the memory stream GDI+ reads from;
# imm32 gives the rich edit's text services the input context.
set(VARLO_TOOLKIT_CONTROL_WINDOWS_DEPS gdiplus ole32 uuid imm32)
