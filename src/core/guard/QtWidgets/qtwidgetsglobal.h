#error "The core library uses Qt Core only: Qt Widgets belongs in src/gui."
