@"%~dp0tapquill.exe" --keyboard system || pause
