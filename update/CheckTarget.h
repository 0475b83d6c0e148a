#pragma once
// Turns the folder text into TargetDir, makes sure it is the product's folder and makes a
// fresh work folder in it. Tells the user why when it refuses; true when the run may go on.
bool CheckTargetFolder();
