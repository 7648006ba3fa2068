#error "The core library uses Qt Core only: Qt Gui belongs in src/gui."
